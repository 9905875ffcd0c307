#pragma once

#include <QString>

#include <exception>

// A failure that ends the running command and reaches the application's error box.
class TLpError : public std::exception {
public:
    explicit TLpError(QString message) : message_(std::move(message)) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return "TLpError"; }

private:
    QString message_;
};

// The text of the application's error box: a "." is appended when the last character's code is
// greater than that of ".".
inline QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + '.';
    return message;
}
