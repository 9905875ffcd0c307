#pragma once

// The shared benchmark helpers (BenchCore.h), with the page of markup as the toolkit holds bytes.

#include "bench/BenchCore.h"

#include <QByteArray>

namespace lpbench {

inline QByteArray markupPage(int mb) {
    const std::string page = markupBytes(mb);
    return QByteArray(page.data(), qsizetype(page.size()));
}

} // namespace lpbench
