#include "config/TextFileRefusals.h"

namespace text_file {

bool Refuse(std::string& reason, const std::string& path, std::string_view what)
{
    reason = path.empty() ? std::string("no file name was given") : path + ": " + std::string(what);
    return false;
}

std::string TooLarge(std::size_t maxBytes)
{
    return "the file is larger than a configuration template can be (more than " + std::to_string(maxBytes) +
           " bytes)";
}

}  // namespace text_file
