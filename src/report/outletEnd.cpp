#include "report/outletEnd.hpp"

#include "analysis/directionCodes.hpp"
#include "runFiles/runFiles.hpp"

namespace drainPrep::report {

namespace {

bool onOutletRing(const StudyArea& area, const Outlet& outlet) {
    return outlet.row == 1 || outlet.col == 1 || outlet.row == area.nrows - 2 ||
           outlet.col == area.ncols - 2;
}

// A D8 code or 0 and an elevation the rule counts as land. Codes that are
// not D8 codes never reach a finished run.
bool hasFlowData(const OutletSurroundings& cells, int index, OutletRule rule) {
    const std::optional<std::int32_t> code = decodeDirection(cells.direction[index]);
    return code && !withoutFlow(rule, *code, cells.elevation[index]);
}

}  // namespace

const char* outletKindName(OutletKind kind) {
    switch (kind) {
        case OutletKind::edge:
            return "edge";
        case OutletKind::sink:
            return "sink";
        case OutletKind::coast:
            return "coast";
        case OutletKind::cut:
            break;
    }
    return "cut";
}

OutletEnd outletEnd(const StudyArea& area, const Outlet& outlet,
                    const OutletSurroundings& surroundings, OutletRule rule) {
    OutletEnd end;
    if (onOutletRing(area, outlet)) return end;
    const std::optional<std::int32_t> code =
        decodeDirection(surroundings.direction[OutletSurroundings::outletIndex]);
    if (code == outletCode) {
        end.kind = OutletKind::sink;
        return end;
    }
    end.kind = OutletKind::coast;
    if (!code || *code < 1) return end;
    const int into = *code - 1;
    if (!hasFlowData(surroundings, into, rule)) return end;
    end.kind = OutletKind::cut;
    end.intoRow = outlet.row + flowDirections[into].rowOffset;
    end.intoCol = outlet.col + flowDirections[into].colOffset;
    if (surroundings.riverNum[into] != noBasin) end.continuesInto = surroundings.riverNum[into];
    return end;
}

}  // namespace drainPrep::report
