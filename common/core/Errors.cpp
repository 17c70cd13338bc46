// Messages of the error types; their wording is what the user reads in the error box.
#include "core/Errors.h"

namespace mw {

ConversionError::ConversionError(const std::string& offendingText)
    : std::runtime_error("'" + offendingText + "' is not a valid integer value"), text_(offendingText) {}

IoError::IoError(const std::string& path, const std::string& action, const std::string& reason)
    : std::runtime_error("Cannot " + action + " \"" + path + "\": " + reason), path_(path), reason_(reason) {}

} // namespace mw
