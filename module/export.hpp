// Marks what the module exports: with the symbols hidden by default (and on
// Windows, where nothing leaves a DLL unmarked), only the entry point does.
#pragma once

#if defined(_WIN32)
#define VSRS_MODULE_EXPORT __declspec(dllexport)
#elif defined(__GNUC__)
#define VSRS_MODULE_EXPORT __attribute__((visibility("default")))
#else
#define VSRS_MODULE_EXPORT
#endif
