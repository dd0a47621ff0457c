// The two clip previews: the study-area window exactly as it was cut out of
// the source rasters, for a first look in a GIS.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"
#include "text/failure.hpp"

namespace drainPrep {

Failure writeClipPreviews(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                          std::ostream& console);

// The previews of an earlier run in the folder, set aside under hidden names
// while a run writes its own: a run that fails after them puts them back, so
// that it leaves the earlier run whole (its products are not touched before
// stage 4); one that succeeds drops them. Only regular files are set aside:
// a folder or a device in a preview's place meets the preview's own failure.
// Each step is the best the file system allows: a preview that stays in place
// is overwritten as it always was, and the companions refuse previews that do
// not fit the products.
class EarlierPreviews {
public:
    EarlierPreviews();
    EarlierPreviews(const EarlierPreviews&) = delete;
    EarlierPreviews& operator=(const EarlierPreviews&) = delete;
    // Puts them back unless dropped.
    ~EarlierPreviews();

    void drop();

private:
    bool setAside_[2] = {false, false};
    bool dropped_ = false;
};

}  // namespace drainPrep
