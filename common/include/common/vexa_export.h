#ifndef VEXA_EXPORT_H
#define VEXA_EXPORT_H

// Symbols of the VexaCommon shared library. The library is built with hidden
// visibility, so only what carries this macro is part of its ABI.
#if defined(_WIN32)
#if defined(VEXACOMMON_LIBRARY)
#define VEXACOMMON_EXPORT __declspec(dllexport)
#else
#define VEXACOMMON_EXPORT __declspec(dllimport)
#endif
#else
#define VEXACOMMON_EXPORT __attribute__((visibility("default")))
#endif

#endif // VEXA_EXPORT_H
