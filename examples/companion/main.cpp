// A companion application: creates the playback effect through the library's
// factory, initialises it, switches an algorithm, selects modes and reads
// them back, then deletes the effect. Exits 0 when every step succeeded.
#include <cstdio>
#include <memory>

#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
#ifndef __ANDROID__
#include "HostPlatform/Properties.h"
#endif

namespace {

void OnEffectEvent(int32_t nEvent, void* /*pUser*/, int32_t nSize, void* /*pData*/) {
    std::printf("companion: effect event %d (%d bytes)\n", nEvent, nSize);
}

bool Check(const char* szStep, bool bOk) {
    std::printf("companion: %-40s %s\n", szStep, bOk ? "ok" : "FAILED");
    return bOk;
}

}  // namespace

int main() {
#ifndef __ANDROID__
    // A device reports its SDK level; this machine's platform is told it.
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
#endif
    using TarvoFX::VeltraEffectFactory;
    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect(VeltraEffectFactory::CreateVeltraEffect(
        VeltraEffectFactory::s_cszVeltra3, VeltraEffectFactory::s_nInvalidIO, OnEffectEvent));

    bool bOk = Check("Init on session 0", pEffect->Init(0, 0));
    bOk = bOk && Check("switch the \"virtualizer\" algorithm on",
                       pEffect->SetEnabled("virtualizer", true));
    bOk = bOk && Check("select output mode 1", pEffect->SetOutputMode(1));
    bOk = bOk && Check("select sound mode 2", pEffect->SetSoundMode(2));
    uint16_t nOM = 0, nSM = 0, nMT = 0;
    uint32_t nTag = 0;
    bOk = bOk && Check("read the active modes", pEffect->GetActive(nOM, nSM, nMT, nTag));
    bOk = bOk && Check("the effect reports modes 1 and 2", nOM == 1 && nSM == 2);
    uint32_t nCount = 0;
    bOk = bOk && Check("count the supported output modes",
                       pEffect->GetSupportedOutputModeCount(nCount) && nCount > 0);
    pEffect.reset();
    std::printf("companion: %s\n", bOk ? "done" : "a step failed");
    return bOk ? 0 : 1;
}
