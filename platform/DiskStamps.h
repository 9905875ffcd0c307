#pragma once

#include "document/core/FileStamp.h"

#include <QString>

struct stat;

// The file's existence, size, times and identity as the file system tells them; no byte is read.
TFileStamp statFile(const QString& path);
// The same of a file the system described (stat or fstat), taken to exist.
TFileStamp stampOfStatus(const struct stat& st);

// statFile() plus the hash of the file's bytes. A file that cannot be read counts as not there.
TFileStamp readFileStamp(const QString& path);

// Whether the file at path is no longer what known describes: another size, or another time or
// identity and other bytes. A missing file counts as changed; a file never known never does.
bool changedOnDisk(const TFileStamp& known, const QString& path);

// !changedOnDisk(known, path); when the file holds known's bytes but was touched, rewritten or
// replaced, known takes its new times and identity, so that the next look reads no byte.
bool sameOnDisk(TFileStamp& known, const QString& path);
