#include "cli/office_program.h"

// plotsieve-office and the tests: the office parts are linked in.
bool OfficePartsBuiltIn() { return true; }
