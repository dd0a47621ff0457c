// GDAL reports through its error handler; drainPrep's console is its own and
// nothing goes to standard error. The last message names the cause. Only the
// GDAL module's sources include this.
#pragma once

#include <cpl_error.h>

#include <string>

namespace drainPrep {

class QuietGdal {
public:
    QuietGdal() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;

    static std::string cause() {
        const char* message = CPLGetLastErrorMsg();
        if (message == nullptr || *message == '\0') return "GDAL gives no reason";
        return message;
    }
};

}  // namespace drainPrep
