/*
 * vindle: a disk B+-tree of fixed-size records with a page cache shared between processes.
 *
 * Every export takes the system-wide mutex for the whole call, so handles may be used from
 * any thread of any process. Keys and data are byte buffers of exactly KeySize and DataSize
 * bytes; keys are ordered by memcmp over KeySize bytes.
 *
 * Calling order: VindleCreateIndex (only when VindleOpenIndex failed), VindleOpenIndex, any
 * number of add / scan / aux / check / repair / dump calls, VindleCloseIndex.
 *
 * Failures: VindleOpenIndex returns NULL on any failure. Every other export ends the process
 * when its index or page cache fails, after handing a text such as
 *   "BufferException in VindleAddKey 6 - Corvane will terminate."
 * to the fatal-error reporter. A program registers its own reporter (to show the text in a
 * message box) simply by defining VindleReportFatal below; without it the text goes to
 * standard error. The reporter must not call back into the library.
 *
 * The keyed form of VindleCreateScan is exported under the C name VindleCreateScanRange,
 * because C has no overloading; C++ callers may use the two-key VindleCreateScan overload
 * declared at the end of this header.
 */
#ifndef VINDLE_H
#define VINDLE_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(VINDLE_BUILDING)
#define VINDLE_API __attribute__((visibility("default")))
#else
#define VINDLE_API
#endif

typedef struct VindleIndex VindleIndex; /* opaque index handle */
typedef struct VindleScan VindleScan;   /* opaque scan handle */

/* Replaces any file of that name with a new, empty index of three pages. Returns 1. */
VINDLE_API int VindleCreateIndex(const char* path, unsigned pageSize, unsigned keySize,
                                 unsigned dataSize, unsigned auxSize, int unique);

/* Opens an index with a page cache of bufferCount pages; NULL on any failure, silently. */
VINDLE_API VindleIndex* VindleOpenIndex(const char* path, unsigned bufferCount);

/* Writes every dirty page, leaves the shared cache, closes the file, frees the handle. */
VINDLE_API int VindleCloseIndex(VindleIndex* index);

/* 1 = added; 0 = not added because the index is unique and the key is already present. */
VINDLE_API int VindleAddKey(VindleIndex* index, unsigned char* key, unsigned char* data);

/* 1 = the tree structure is valid, 0 = it is not (then repair it). Changes nothing. */
VINDLE_API int VindleCheckIndex(VindleIndex* index);

/* Scan over every record in ascending order. */
VINDLE_API VindleScan* VindleCreateScan(VindleIndex* index);

/* Scan from startKey to endKey; descending when endKey < startKey. */
VINDLE_API VindleScan* VindleCreateScanRange(VindleIndex* index, unsigned char* startKey,
                                             unsigned char* endKey);

/* 1 = a record within the range was copied out; 0 = the scan is over. */
VINDLE_API int VindleScanGetNext(VindleScan* scan, unsigned char* keyOut, unsigned char* dataOut);

/* As VindleScanGetNext in the opposite direction, bounded by the start key. */
VINDLE_API int VindleScanGetPrev(VindleScan* scan, unsigned char* keyOut, unsigned char* dataOut);

VINDLE_API void VindleScanClose(VindleScan* scan);

/* Copies AuxSize bytes of the caller's auxiliary data out of / into the head page. */
VINDLE_API void VindleGetAuxData(VindleIndex* index, unsigned char* buffer);
VINDLE_API void VindleSetAuxData(VindleIndex* index, const unsigned char* buffer);

/* Prints the head page and every page of the tree, depth first, to standard output. */
VINDLE_API void VindleDumpIndex(VindleIndex* index);

/* Rebuilds the file from every record found in its leaf pages; the handle stays valid. */
VINDLE_API void VindleRepairIndex(VindleIndex* index, unsigned pageSize, unsigned keySize,
                                  unsigned dataSize, unsigned auxSize, int unique);

/*
 * Optional hook, defined by the program, not by the library: receives the text of a fatal
 * failure just before the process ends. The library refers to it weakly, so a program that
 * does not define it links and runs with the standard-error reporter.
 */
#if !defined(VINDLE_BUILDING)
void VindleReportFatal(const char* text);
#endif

#ifdef __cplusplus
}

inline VindleScan* VindleCreateScan(VindleIndex* index, unsigned char* startKey,
                                    unsigned char* endKey) {
    return VindleCreateScanRange(index, startKey, endKey);
}
#endif

#endif /* VINDLE_H */
