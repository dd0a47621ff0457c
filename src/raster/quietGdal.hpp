// GDAL's messages kept off the console, for the GDAL module's own sources.
#pragma once

#include <cpl_error.h>

#include <cstring>
#include <string>

namespace drainPrep {

// GDAL reports through its error handler; drainPrep's console is its own
// and nothing goes to standard error. The last message names the cause.
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
        std::string message = CPLGetLastErrorMsg() != nullptr ? CPLGetLastErrorMsg() : "";
        while (!message.empty() && std::strchr(" \n\r\t", message.back()) != nullptr) {
            message.pop_back();
        }
        return message.empty() ? "GDAL gives no reason" : message;
    }
};

}  // namespace drainPrep
