#pragma once

// Only the device class and the version banner leave the shared library; everything else stays hidden.
#if defined(_WIN32)
#if defined(QUORIX_API_BUILDING)
#define QUORIX_API __declspec(dllexport)
#else
#define QUORIX_API __declspec(dllimport)
#endif
#else
#define QUORIX_API __attribute__((visibility("default")))
#endif

// The same for the export library (libQuorixExport): only the functions of quorix/QuorixExport.h leave it.
#if defined(_WIN32)
#if defined(QUORIX_EXPORT_BUILDING)
#define QUORIX_EXPORT_API __declspec(dllexport)
#else
#define QUORIX_EXPORT_API __declspec(dllimport)
#endif
#else
#define QUORIX_EXPORT_API __attribute__((visibility("default")))
#endif
