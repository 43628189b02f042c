// plotsieve-cli without the office parts: the commands that need them are
// handed over to the office program, before they have written anything.

#include "cli/commands.h"
#include "cli/index_search.h"
#include "cli/office_index.h"
#include "cli/office_program.h"

bool OfficePartsBuiltIn() { return false; }

int RunServeCommand(int /*argc*/, char** /*argv*/) { return HandOverToOfficeProgram(); }

int RunOfficeIndex(const OfficeIndexOptions& /*options*/) { return HandOverToOfficeProgram(); }

// The search command hands an --index search over before it starts its
// output (OfficePartsBuiltIn), so this is never reached.
IndexSearchRun SearchOfficeIndex(const SearchOptions& /*options*/,
                                 const std::vector<std::string>& /*cp932Keywords*/,
                                 const std::function<bool(ResultRecord)>& /*row*/,
                                 const std::atomic<bool>& /*cancel*/) {
    return {.failed = HandOverToOfficeProgram() != 0};
}
