#pragma once

// The artwork lives in static libraries (corvela_resources_console, _agent, _setup), and Qt
// only registers resources from a static library when asked to. Call the matching function
// once at start-up, after the QApplication exists and before the first ":/console/...",
// ":/agent/..." or ":/setup/..." path is opened:
//
//     InitConsoleResources();   // :/console/glyphs, flags, wait, icons/corvelateacher.svg
//     InitAgentResources();     // :/agent/icons/corvela.svg, backgrounds/lock.svg, wait
//     InitSetupResources();     // :/setup/icons/setup.svg, flags
//
// They stay outside any namespace because Q_INIT_RESOURCE declares the rcc-generated
// function in the enclosing scope, and that function is global.

#include <QtGlobal>

inline void InitConsoleResources() { Q_INIT_RESOURCE(console); }
inline void InitAgentResources() { Q_INIT_RESOURCE(agent); }
inline void InitSetupResources() { Q_INIT_RESOURCE(setup); }
