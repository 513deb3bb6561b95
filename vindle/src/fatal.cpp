#include "fatal.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern "C" void VindleReportFatal(const char* text) __attribute__((weak));

namespace vindle {

void ReportFatal(const char* kind, const char* exportName, int code) {
    char text[160];
    snprintf(text, sizeof text, "%s in %s %d - Corvane will terminate.", kind, exportName, code);
    if (VindleReportFatal) {
        VindleReportFatal(text);
    } else {
        fputs(text, stderr);
        fputc('\n', stderr);
        fflush(stderr);
    }
    _exit(EXIT_FAILURE);
}

}  // namespace vindle
