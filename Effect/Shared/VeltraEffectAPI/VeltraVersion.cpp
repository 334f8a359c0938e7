// Version text and build date carried by the library for whoever inspects the binary.
namespace TarvoFX {

extern const char* const s_cszVeltraEffectAPIVersion;
extern const char* const s_cszVeltraEffectAPIBuildDate;

const char* const s_cszVeltraEffectAPIVersion = "VeltraEffectAPI 1.0.0";
const char* const s_cszVeltraEffectAPIBuildDate = __DATE__ " " __TIME__;

}  // namespace TarvoFX
