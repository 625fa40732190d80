#pragma once
#include <filesystem>

#include "platform/SharedLibraries.h"
#include "platform/WebEngine.h"
#include "runtime/WebViewLoader.h"

namespace zel {

// True when the engine library at `engineLibraryPath` exists, loads, and its
// version entry point reports a non-empty version: a web engine is
// installed. A library that cannot be loaded (its engine is missing) or lacks
// the entry point counts as no engine. The library is released afterwards.
bool CheckEngineIsInstalled(ISharedLibraries& libraries,
                            const std::filesystem::path& engineLibraryPath,
                            const TEngineEntryPoints& entryPoints = SharedInterfaceEntryPoints);

}  // namespace zel
