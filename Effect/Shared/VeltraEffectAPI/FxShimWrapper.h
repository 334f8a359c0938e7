// Loads the platform effect shim at run time, chosen by SDK level, and
// forwards calls to its five plain functions.
#pragma once

#include <stdint.h>

#include <string>

#include "VeltraEffectAPI/IAudioEffect.h"
#include "VeltraExport.h"

namespace TarvoFX {

// The shim's five plain functions, as resolved by name at run time.
typedef void* (*PFN_FXSHIM_CREATE)(const IAudioEffect::EffectUUID* pUUID, int32_t nPriority,
                                   int32_t nSessionID, int32_t nIO,
                                   PFN_AUDIOEFFECT_CALLBACK pfnCallback);
typedef int32_t (*PFN_FXSHIM_INITCHECK)(void* hEffect);
typedef int32_t (*PFN_FXSHIM_COMMAND)(void* hEffect, uint32_t nCmdCode, uint32_t nCmdSize,
                                      void* pCmdData, uint32_t* pReplySize, void* pReplyData);
typedef int32_t (*PFN_FXSHIM_SETENABLED)(void* hEffect, bool bEnabled);
typedef void (*PFN_FXSHIM_RELEASEEFFECT)(void** phEffect);

// The text of a system property; empty when it is unset or empty.
std::string GetSystemProperty(const char* szName);
// The default audio io handle: 2 below SDK level 24 (or unreadable), else 13.
int32_t GetDefaultIO();

class FxShimWrapper {
public:
    VELTRA_EXPORT static const char* const FX_SHIM_OREO_LIB;
    VELTRA_EXPORT static const char* const FX_SHIM_NOUGAT_LIB;
    VELTRA_EXPORT static const char* const FX_SHIM_MARSHMALLOW_LIB;
    VELTRA_EXPORT static const char* const FX_SHIM_LOLLIPOP_LIB;

    // Loads the shim; the object exists whether or not that worked.
    FxShimWrapper();
    // Closes the object.
    virtual ~FxShimWrapper();

    // Closes the shim and clears the function pointers (FreeLibrary, then
    // CleanPointers): every operation after it fails with its missing-function
    // message. The process-wide loader is closed this way at exit and stays
    // in place, so that an effect released later still finds it.
    void Close();

    FxShimWrapper(const FxShimWrapper&) = delete;
    FxShimWrapper& operator=(const FxShimWrapper&) = delete;

    void* Create(const IAudioEffect::EffectUUID* pUUID, int32_t nPriority, int32_t nSessionID,
                 int32_t nIO, PFN_AUDIOEFFECT_CALLBACK pfnCallback);
    int32_t InitCheck(void* hEffect);
    int32_t Command(void* hEffect, uint32_t nCmdID, uint32_t nSize, void* pData,
                    uint32_t* pReplySize, void* pReply);
    int32_t SetEnabled(void* hEffect, bool bEnabled);
    void ReleaseEffect(void** phEffect);

    bool IsLoaded() const { return m_pLibHandle != nullptr; }

    // The shim's file name for an SDK level.
    static const char* GetDllFileName(int nAndroidSdkVersion);

private:
    bool LoadLibrary();
    bool LoadSymbols();
    void FreeLibrary();
    void CleanPointers();

    void* m_pLibHandle;
    PFN_FXSHIM_CREATE m_pfnCreate;
    PFN_FXSHIM_INITCHECK m_pfnInitCheck;
    PFN_FXSHIM_COMMAND m_pfnCommand;
    PFN_FXSHIM_SETENABLED m_pfnSetEnabled;
    PFN_FXSHIM_RELEASEEFFECT m_pfnReleaseEffect;
};

}  // namespace TarvoFX
