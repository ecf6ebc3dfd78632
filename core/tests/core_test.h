// The core tests' fixture: a scratch application directory and the
// preferences at their fallbacks. No application object is needed.
#pragma once

#include "core/preferences_store.h"
#include "testing/app_dir_files.h"

class CoreTest : public ::testing::Test, protected testing_support::AppDirFiles {
protected:
    CoreTest() { PreferencesStore::instance().resetToFallbacks(); }
    PreferencesStore& store() { return PreferencesStore::instance(); }
};
