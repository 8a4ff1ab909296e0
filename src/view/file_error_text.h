#pragma once

#include <string>

// The message a failed file operation reports, in the framework's wording, for the errno value
// of the failure and the file's name: "Access to %1 was denied." and its siblings.
std::string FileErrorText(int errorNumber, const std::string& fileName);
