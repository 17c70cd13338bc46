// The two kinds of failure that end a handler and reach the standard error box.
#pragma once
#include <stdexcept>
#include <string>

namespace mw {

// Text that should have been a decimal integer (settings lines, sizes, colours).
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const std::string& offendingText);
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A file could not be opened, read, created or written. The message names the file and the
// reason the system gave, so the user can act on it.
class IoError : public std::runtime_error {
public:
    IoError(const std::string& path, const std::string& action, const std::string& reason);
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

} // namespace mw
