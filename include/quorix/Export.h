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
