// Reading the study area from clipArea.dat.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "geometry/sourceFrame.hpp"
#include "text/failure.hpp"
#include "text/workingFolderPath.hpp"

namespace drainPrep {

// In the run's folder; the run reads it from its working folder.
inline constexpr char clipAreaFile[] = "clipArea.dat";
inline constexpr const char* clipAreaPath = pathFromWorkingFolder<clipAreaFile>.text;

inline const char* const outsideFixedSourceText = "The study area lies outside the source grid.";

// Reads the four values of the study area, echoing each as it is read.
// Returns the failure text when the file cannot be read or describes no
// usable study area; an area outside `frame` gets `outsideText`.
Failure readStudyArea(const char* path, std::ostream& console, StudyArea& area,
                      const SourceFrame& frame = fixedSourceFrame,
                      const std::string& outsideText = outsideFixedSourceText);

// Writes the four values on one line, in the order readStudyArea takes them.
Failure writeStudyArea(const char* path, const StudyArea& area);

}  // namespace drainPrep
