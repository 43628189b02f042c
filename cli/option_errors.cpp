#include "cli/option_errors.h"

#include <getopt.h>

// An unknown short option sets optopt to its letter, an unknown long one to 0;
// a missing value sets it to the option's code, and then the option is the
// last argument taken.
std::string OptionInError(int argc, char** argv, bool missingValue) {
    std::string last = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    bool longForm = last.rfind("--", 0) == 0;
    if (optopt > 0 && optopt < 256 && !(missingValue && longForm)) {
        return std::string("-") + static_cast<char>(optopt);
    }
    return last.substr(0, last.find('='));
}
