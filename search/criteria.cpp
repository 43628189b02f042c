#include "search/criteria.h"

std::vector<std::string> ExtensionsForTypes(unsigned typeMask) {
    std::vector<std::string> extensions;
    if (typeMask & TYPE_DWG) extensions.push_back(".dwg");
    if (typeMask & TYPE_DXF) extensions.push_back(".dxf");
    if (typeMask & TYPE_JW) {
        extensions.push_back(".jwc");
        extensions.push_back(".jwk");
    }
    if (typeMask & TYPE_MCD) extensions.push_back(".mcd");
    if (typeMask & TYPE_MPP) extensions.push_back(".mpp");
    if (typeMask & TYPE_MPX) extensions.push_back(".mpx");
    if (typeMask & TYPE_MPZ) extensions.push_back(".mpz");
    return extensions;
}
