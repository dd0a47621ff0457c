// The files a drainPrep run writes, named once for the run that writes them
// and for the companions that read them back. Each name is relative to the
// run's folder, as the companions join it to their FOLDER and print it; the
// run opens and names its files from its working folder
// (pathFromWorkingFolder<flowDirBin>.text: "./output/flowDir.bin").
#pragma once

#include "text/workingFolderPath.hpp"

namespace drainPrep {

inline constexpr char outputFolder[] = "output";
inline constexpr char asciiGridFolder[] = "output/arcgis";

// The previews of the source rasters over the study area.
inline constexpr char cutDemAsc[] = "output/arcgis/cutDem.asc";
inline constexpr char cutDirAsc[] = "output/arcgis/cutDir.asc";

// The products.
inline constexpr char modDemBin[] = "output/modDem.bin";
inline constexpr char modDemAsc[] = "output/arcgis/modDem.asc";
inline constexpr char distanceAsc[] = "output/arcgis/distance.asc";
inline constexpr char flowDirBin[] = "output/flowDir.bin";
inline constexpr char flowDirAsc[] = "output/arcgis/flowDir.asc";
inline constexpr char flowAccBin[] = "output/flowAcc.bin";
inline constexpr char flowAccAsc[] = "output/arcgis/flowAcc.asc";
inline constexpr char riverNumBin[] = "output/riverNum.bin";
inline constexpr char riverNumAsc[] = "output/arcgis/riverNum.asc";
inline constexpr char outletListFile[] = "output/riverNumList.dat";

// Written only by runs given --dem and --dir.
inline constexpr char sourceRecordFile[] = "output/sourceRasters.txt";

}  // namespace drainPrep
