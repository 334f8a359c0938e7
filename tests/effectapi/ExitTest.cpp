// An application that keeps its effect object in a namespace-scope smart
// pointer and leaves through a normal exit. The pointer was built before
// main, the library's log object and shim loader on first use, so at exit
// they are finished first and the effect object is destroyed after them; its
// destruction must find them closed, not gone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
#include "support/Emulator.h"

using TarvoFX::VeltraEffectFactory;

namespace {

std::unique_ptr<TarvoFX::IVeltraEffectAPI> g_pEffect;

// The child's records go to standard error only, every level. The loader
// closes the shim at exit while the log object is still open, which records
// it; the log object closes next, so the effect object's destructor, which
// logs its entry and the release the closed loader refuses, adds nothing.
TEST(ExitTest, EffectObjectInAGlobalIsDestroyedAfterTheLibraryHasClosed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TestSupport::StartDeathTestChildrenThroughEmulator();
    EXPECT_EXIT(
        {
            HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
            g_pEffect.reset(VeltraEffectFactory::CreateVeltraEffect("Veltra3", -1, nullptr));
            if (!g_pEffect->Init(0, 1)) {
                std::exit(2);
            }
            // Refused until the library has read its configuration.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!g_pEffect->SetLogLevel("TARVO_LOG_FXModule", 0)) {
                if (std::chrono::steady_clock::now() > deadline) {
                    std::exit(3);
                }
                std::this_thread::yield();
            }
            if (!g_pEffect->SetLogOutput("STDERR_LOG", true) ||
                !g_pEffect->SetLogOutput("ANDROID_LOG", false)) {
                std::exit(4);
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), " DEBUG: TARVO_LOG_FXModule CleanPointers\n$");
}

}  // namespace
