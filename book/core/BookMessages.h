#pragma once

// Every text the book's logic gives the author, in one table: findings of the book check, notes on
// pages that cannot be read, refusals of a rename or a replace. English; "%1", "%2" stand for the
// values put in. Messages are UTF-8: values taken from a page are converted from page bytes first.

#include <initializer_list>
#include <string>
#include <string_view>

namespace book {

enum class TMessage {
    PageUnreadable, ///< %1: the system's reason
    PageNotText,    ///< %1: offset of the first zero byte
    PageTooLarge,   ///< %1: the page's size in MiB
    NoSuchPage,     ///< %1: the page named
    NextOnLastPage,
    PreviousOnFirstPage,
    FileMissing,       ///< %1: the action word, %2: the file as written
    FileOnDrive,       ///< %1: the action word, %2: the file as written
    PictureUnreadable, ///< %1: the file as written
    VariableNeverSet,  ///< %1: the variable's name
    VariableNeverRead, ///< %1: the variable's name
    PageNotReached,
    ReplaceCount, ///< %1: replacements, %2: pages
    RenameCount,  ///< %1: links, %2: pages
    NameEmpty,
    NameHasSeparator,
    NameHasQuote,
    NameNotInCodePage,
    NameTaken,         ///< %1: the page that has the name
    PageChangedOnDisk, ///< %1: the page's file name
    PageNotWritten,    ///< %1: the page's file name, %2: the reason
    PageNotRenamed,    ///< %1: the old file name, %2: the reason
    PageSkipped,       ///< %1: the page's file name, %2: why
    NotAFile,          ///< %1: what the path names instead ("a folder")
};

// The message with its values put in.
std::string message(TMessage m, std::initializer_list<std::string_view> values = {});

// "1 replacement" / "3 replacements": a count with its noun, singular or plural.
std::string counted(long long n, std::string_view singular, std::string_view plural);

} // namespace book
