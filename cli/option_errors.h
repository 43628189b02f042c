#pragma once

#include <string>

// The option getopt_long has just refused, as the user wrote it ("--bogus",
// "-x"), for the message. `missingValue` when getopt_long gave ':' (the
// option's value is missing), otherwise an unknown option ('?').
std::string OptionInError(int argc, char** argv, bool missingValue);
