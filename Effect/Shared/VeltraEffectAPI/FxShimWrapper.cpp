#include "VeltraEffectAPI/FxShimWrapper.h"

#include <dlfcn.h>
#include <sys/system_properties.h>

#include <cstdlib>
#include <cstring>

#include "logging/TarvoLog.h"

namespace TarvoFX {

const char* const FxShimWrapper::FX_SHIM_OREO_LIB = "libfxshim_Oreo.so";
const char* const FxShimWrapper::FX_SHIM_NOUGAT_LIB = "libfxshim_Nougat.so";
const char* const FxShimWrapper::FX_SHIM_MARSHMALLOW_LIB = "libfxshim_Marshmallow.so";
const char* const FxShimWrapper::FX_SHIM_LOLLIPOP_LIB = "libfxshim_Lollipop.so";

namespace {

const char* const kSdkProperty = "ro.build.version.sdk";

// Android accepts mode 0 (its default binding); glibc insists on a binding mode.
#ifdef __ANDROID__
constexpr int kDlopenMode = 0;
#else
constexpr int kDlopenMode = RTLD_NOW;
#endif

int ReadSdkLevel() {
    std::string strSdk = GetSystemProperty(kSdkProperty);
    return strSdk.empty() ? 0 : std::atoi(strSdk.c_str());
}

// Looks up one symbol into *ppfn; logs the two error records when it is missing.
template <typename Fn>
bool ResolveSymbol(void* pLibHandle, const char* szName, Fn* ppfn) {
    *ppfn = reinterpret_cast<Fn>(dlsym(pLibHandle, szName));
    if (*ppfn == nullptr) {
        TARVO_LOGE("dlsym fail, can't find  %s symbol", szName);
        TARVO_LOGE("find function symbols fail");
        return false;
    }
    return true;
}

}  // namespace

std::string GetSystemProperty(const char* szName) {
    char szValue[PROP_VALUE_MAX];
    std::memset(szValue, 0, sizeof(szValue));
    int nLength = __system_property_get(szName, szValue);
    if (nLength < 1) {
        return std::string();
    }
    szValue[sizeof(szValue) - 1] = '\0';
    return std::string(szValue);
}

int32_t GetDefaultIO() {
    return ReadSdkLevel() < 24 ? 2 : 13;
}

FxShimWrapper::FxShimWrapper()
    : m_pLibHandle(nullptr),
      m_pfnCreate(nullptr),
      m_pfnInitCheck(nullptr),
      m_pfnCommand(nullptr),
      m_pfnSetEnabled(nullptr),
      m_pfnReleaseEffect(nullptr) {
    LoadLibrary();
}

FxShimWrapper::~FxShimWrapper() {
    Close();
}

void FxShimWrapper::Close() {
    FreeLibrary();
    CleanPointers();
}

const char* FxShimWrapper::GetDllFileName(int nAndroidSdkVersion) {
    TARVO_LOGD("GetDllFileName() nAndroidSdkVersion = %d", nAndroidSdkVersion);
    if (nAndroidSdkVersion >= 26) {
        return FX_SHIM_OREO_LIB;
    }
    if (nAndroidSdkVersion >= 24) {
        return FX_SHIM_NOUGAT_LIB;
    }
    if (nAndroidSdkVersion == 23) {
        return FX_SHIM_MARSHMALLOW_LIB;
    }
    return FX_SHIM_LOLLIPOP_LIB;
}

bool FxShimWrapper::LoadLibrary() {
    // The property's text goes into the error record: a shim that cannot be
    // loaded is most often an SDK level that was never set or misread.
    const std::string strSdk = GetSystemProperty(kSdkProperty);
    const int nSdk = strSdk.empty() ? 0 : std::atoi(strSdk.c_str());
    const char* szFileName = GetDllFileName(nSdk);
    TARVO_LOGI("LoadLibrary -> %s", szFileName);
    m_pLibHandle = dlopen(szFileName, kDlopenMode);
    if (m_pLibHandle == nullptr) {
        const char* szError = dlerror();
        const std::string strLevel =
            strSdk.empty() ? std::string(kSdkProperty) + " is unset, read as SDK level 0"
                           : std::string(kSdkProperty) + " is \"" + strSdk +
                                 "\", read as SDK level " + std::to_string(nSdk);
        TARVO_LOGE("dlopen fail on %s (%s): %s", szFileName, strLevel.c_str(),
                   szError != nullptr ? szError : "dlerror() gave no reason");
        return false;
    }
    return LoadSymbols();
}

bool FxShimWrapper::LoadSymbols() {
    return ResolveSymbol(m_pLibHandle, "Create", &m_pfnCreate) &&
           ResolveSymbol(m_pLibHandle, "Command", &m_pfnCommand) &&
           ResolveSymbol(m_pLibHandle, "InitCheck", &m_pfnInitCheck) &&
           ResolveSymbol(m_pLibHandle, "SetEnabled", &m_pfnSetEnabled) &&
           ResolveSymbol(m_pLibHandle, "ReleaseEffect", &m_pfnReleaseEffect);
}

void FxShimWrapper::FreeLibrary() {
    TARVO_LOGD("FreeLibrary");
    if (m_pLibHandle != nullptr) {
        dlclose(m_pLibHandle);
        m_pLibHandle = nullptr;
    } else {
        TARVO_LOGE("m_pLibHandle is NULL");
    }
}

void FxShimWrapper::CleanPointers() {
    TARVO_LOGD("CleanPointers");
    m_pfnCreate = nullptr;
    m_pfnInitCheck = nullptr;
    m_pfnCommand = nullptr;
    m_pfnSetEnabled = nullptr;
    m_pfnReleaseEffect = nullptr;
}

void* FxShimWrapper::Create(const IAudioEffect::EffectUUID* pUUID, int32_t nPriority,
                            int32_t nSessionID, int32_t nIO, PFN_AUDIOEFFECT_CALLBACK pfnCallback) {
    if (m_pfnCreate == nullptr) {
        TARVO_LOGE("m_pfnCreate is NULL, Does it find Create symbol successfully?");
        return nullptr;
    }
    return m_pfnCreate(pUUID, nPriority, nSessionID, nIO, pfnCallback);
}

int32_t FxShimWrapper::InitCheck(void* hEffect) {
    if (m_pfnInitCheck == nullptr) {
        TARVO_LOGE("m_pfnInitCheck is NULL, Does it find InitCheck symbol successfully?");
        return 0;
    }
    return m_pfnInitCheck(hEffect);
}

int32_t FxShimWrapper::Command(void* hEffect, uint32_t nCmdID, uint32_t nSize, void* pData,
                               uint32_t* pReplySize, void* pReply) {
    if (m_pfnCommand == nullptr) {
        TARVO_LOGE("m_pfnCommand is NULL, Does it find Command symbol successfully?");
        return 0;
    }
    return m_pfnCommand(hEffect, nCmdID, nSize, pData, pReplySize, pReply);
}

int32_t FxShimWrapper::SetEnabled(void* hEffect, bool bEnabled) {
    if (m_pfnSetEnabled == nullptr) {
        TARVO_LOGE("m_pfnSetEnabled is NULL, Does it find SetEnabled symbol successfully?");
        return 0;
    }
    return m_pfnSetEnabled(hEffect, bEnabled);
}

void FxShimWrapper::ReleaseEffect(void** phEffect) {
    if (m_pfnReleaseEffect == nullptr) {
        TARVO_LOGE("m_pfnReleaseEffect is NULL, Does it find ReleaseEffect symbol successfully?");
        return;
    }
    m_pfnReleaseEffect(phEffect);
}

}  // namespace TarvoFX
