#include "HostPlatform/EffectRequests.h"

#include <algorithm>
#include <cstring>

namespace HostPlatform {

namespace {

// --- Field kinds ---------------------------------------------------------------------

enum class Kind {
    // Raw layout: little-endian fields at consecutive offsets.
    kU8,
    kU16,
    kU32,
    kI32,
    kPad,        // nSize bytes nobody reads
    kU32Array,   // as many u32 as the count field says
    kF64Array,   // as many f64 as the count field says
    kU8Array,    // as many u8 as the count field says
    kText,       // as many bytes as the length field says, kept whole
    kBlock,      // as many bytes as the length field says
    kCharField,  // nSize bytes holding a zero-terminated text
    kZText,      // the rest of the request: a text and its one terminating zero
    kRest,       // the rest of the request, whatever it holds
    // Tagged values: tag byte, u32 width/length/count, payload.
    kTaggedU32,
    kTaggedBool,
    kTaggedDouble,
    kTaggedString,
    kTaggedStrings,
    kTaggedBlock,
};

struct Field {
    Kind eKind;
    const char* szName;
    uint32_t nSize = 0;                  // kPad, kCharField
    const char* szCountField = nullptr;  // arrays, kText, kBlock
};

Field U8(const char* szName) {
    return {Kind::kU8, szName};
}
Field U16(const char* szName) {
    return {Kind::kU16, szName};
}
Field U32(const char* szName) {
    return {Kind::kU32, szName};
}
Field I32(const char* szName) {
    return {Kind::kI32, szName};
}
Field Pad(uint32_t nSize) {
    return {Kind::kPad, "", nSize};
}
Field Counted(Kind eKind, const char* szName, const char* szCountField) {
    return {eKind, szName, 0, szCountField};
}
Field CharField(const char* szName, uint32_t nSize) {
    return {Kind::kCharField, szName, nSize};
}
Field ZText(const char* szName) {
    return {Kind::kZText, szName};
}
Field Tagged(Kind eKind, const char* szName) {
    return {eKind, szName};
}

struct Layout {
    uint32_t nCode;
    const char* szName;
    std::vector<Field> fields;
    uint32_t nMinSize = 0;
};

// The request layouts of every code the effect knows.
const std::vector<Layout>& Layouts() {
    static const std::vector<Layout> s_layouts = [] {
        const std::vector<Field> paramsArrayGet = {U32("n"),
                                                   U16("om"),
                                                   U16("sm"),
                                                   U32("subtypes"),
                                                   U32("combined"),
                                                   U32("mustFindAll"),
                                                   Counted(Kind::kU32Array, "ids", "n")};
        const std::vector<Field> modePair = {U16("om"), U16("sm")};
        return std::vector<Layout>{
            {0x10000, "LoadPresets", {Tagged(Kind::kTaggedStrings, "paths")}},
            {0x10001, "SetTagEx", {U32("om"), U32("sm"), U16("tagDisable"), U16("tagEnable")}},
            {0x10002,
             "SetLogLevel",
             {Tagged(Kind::kTaggedString, "tag"), Tagged(Kind::kTaggedU32, "level")}},
            {0x10003, "SetSoundMode", {U16("sm")}},
            {0x10004, "GetActive", {}},
            {0x10005, "SavePresets", {ZText("path")}},
            {0x10007, "SetRecordingEnable", {ZText("prefix")}},
            {0x10008, "SetOutputMode", {U16("om")}},
            {0x10009, "ClearParams", {}},
            {0x1000F,
             "SetParamsArray",
             {U32("n"), I32("om"), I32("sm"), U32("subtypes"), Counted(Kind::kU32Array, "ids", "n"),
              Counted(Kind::kF64Array, "values", "n"), U8("addMissingToBase")},
             29},
            {0x10010, "GetParamsArray", paramsArrayGet},
            {0x10012, "EnableAlgorithm", {ZText("name")}},
            {0x10013, "DisableAlgorithm", {ZText("name")}},
            {0x10015,
             "ClearParamsArray",
             {U32("n"), U16("om"), U16("sm"), U32("subtypes"), U8("alsoClearBase"), Pad(3),
              Counted(Kind::kU32Array, "ids", "n")}},
            {0x10016, "SetSmoothingEnable", {U16("enable")}},
            {0x10017, "OpenClientPipe", {ZText("path")}},
            {0x10018, "CloseClientPipe", {}},
            {0x10019, "EnableOutputDeviceDetection", {}},
            {0x1001A, "DisableOutputDeviceDetection", {}},
            {0x1001B, "SetRecordingDisable", {}},
            {0x1001C, "SetCustomOutputMode", {U16("first"), U16("second")}},
            {0x1001D, "EnableVeltSense", {}},
            {0x1001E, "DisableVeltSense", {}},
            {0x10021, "GetTag", modePair},
            {0x10022, "GetSupportedOutputModeCount", {}},
            {0x10023, "GetSupportedOutputModeNames", {U32("n")}},
            {0x10024, "GetSupportedTag", modePair},
            {0x10025, "GetBaseParamsArray", paramsArrayGet},
            {0x10026,
             "CreateListenUnixServerSocket",
             {U32("abstract"), U32("length"), Counted(Kind::kText, "path", "length")},
             9},
            {0x10027,
             "CloseDestroyUnixServerSocket",
             {U32("length"), Counted(Kind::kText, "path", "length")},
             5},
            {0x10028, "GetSessionData", {}},
            {0x10029, "CalibrateKv", {}},
            {0x1002A, "SetTrackingDataRate", {U16("rate")}},
            {0x1002B,
             "SetForceBypass",
             {U32("io"), U32("session"), CharField("algorithm", 128), U32("useCase"),
              U32("forceBypass")}},
            {0x1002C, "SaveUserPresets", {ZText("path")}},
            {0x1002D, "SetSensorFusionEnabled", {U8("enable")}},
            {0x1002E,
             "LoadPresetsFromChunk",
             {U32("type"), U32("checksum"), U32("size"), U32("isBase"),
              Counted(Kind::kBlock, "chunk", "size")}},
            {0x1002F, "SaveUserPresetToChunk", {U32("capacity"), U32("value"), U32("argument")}},
            {0x10030, "TransactBuffer", {{Kind::kRest, "bytes"}}},
            {0x10031, "ShouldEnableAndroidEffect", {}},
            {0x10032,
             "IsDefaultSoundMode",
             {U32("n"), Counted(Kind::kU32Array, "first", "n"),
              Counted(Kind::kU32Array, "second", "n"), Counted(Kind::kU8Array, "flags", "n")},
             4},
            {0x10033, "GetSupportedSoundModeCount", {}},
            {0x10034, "GetSupportedSoundModeValues", {U32("n")}},
            {0x10035, "SetMetersServerEnable", {U32("enable")}},
            {0x10036,
             "SetConfigByChunk",
             {Tagged(Kind::kTaggedBlock, "chunk"), Tagged(Kind::kTaggedU32, "checksum"),
              Tagged(Kind::kTaggedU32, "type")}},
            {0x10037, "ClearConfig", {}},
            {0x10038, "SetPresetSelectorIndex", {U32("index")}},
            {0x10039,
             "SetLogOutput",
             {Tagged(Kind::kTaggedString, "output"), Tagged(Kind::kTaggedBool, "enable")}},
            {0x1003A, "SetSystemVolume", {Tagged(Kind::kTaggedDouble, "volume")}},
            {0x1003B, "Dump", {}},
            {0x1003C, "ParameterArrayGet", paramsArrayGet},
        };
    }();
    return s_layouts;
}

const Layout* FindLayout(uint32_t nCode) {
    const std::vector<Layout>& layouts = Layouts();
    auto it = std::find_if(layouts.begin(), layouts.end(),
                           [nCode](const Layout& layout) { return layout.nCode == nCode; });
    return it != layouts.end() ? &*it : nullptr;
}

// --- Reading -----------------------------------------------------------------------------

// Walks the request; every read checks the bytes that remain first, so no
// count or length from the request can make it read or allocate beyond them.
class Cursor {
public:
    explicit Cursor(const Bytes& bytes) : m_bytes(bytes) {}

    size_t Remaining() const { return m_bytes.size() - m_nPos; }

    bool Unsigned(size_t nWidth, uint64_t& nValue) {
        if (Remaining() < nWidth) {
            return false;
        }
        nValue = 0;
        for (size_t i = 0; i < nWidth; ++i) {
            nValue |= static_cast<uint64_t>(m_bytes[m_nPos + i]) << (8 * i);
        }
        m_nPos += nWidth;
        return true;
    }

    bool Double(double& dValue) {
        uint64_t nBits = 0;
        if (!Unsigned(8, nBits)) {
            return false;
        }
        std::memcpy(&dValue, &nBits, sizeof(dValue));
        return true;
    }

    // A length read from the request is 64 bits wide: compared before it is
    // narrowed, so that a 32-bit host never takes a wrapped length.
    bool Take(uint64_t nLength, Bytes& bytes) {
        if (nLength > Remaining()) {
            return false;
        }
        const size_t nSize = static_cast<size_t>(nLength);
        bytes.assign(m_bytes.begin() + m_nPos, m_bytes.begin() + m_nPos + nSize);
        m_nPos += nSize;
        return true;
    }

    // A tagged value's header: the tag must match; the 32-bit field is returned.
    bool TagHeader(uint8_t nTag, uint64_t& nField) {
        uint64_t nReadTag = 0;
        return Unsigned(1, nReadTag) && nReadTag == nTag && Unsigned(4, nField);
    }

    bool TaggedScalar(uint8_t nTag, size_t nWidth, uint64_t& nValue) {
        uint64_t nField = 0;
        return TagHeader(nTag, nField) && nField == nWidth && Unsigned(nWidth, nValue);
    }

    // A tagged string, cut at its first zero byte.
    bool TaggedString(std::string& strValue) {
        uint64_t nLength = 0;
        Bytes bytes;
        if (!TagHeader(kTagString, nLength) || !Take(nLength, bytes)) {
            return false;
        }
        strValue.assign(bytes.begin(), std::find(bytes.begin(), bytes.end(), uint8_t(0)));
        return true;
    }

    static constexpr uint8_t kTagUInt32 = 3;
    static constexpr uint8_t kTagDouble = 5;
    static constexpr uint8_t kTagBool = 7;
    static constexpr uint8_t kTagString = 9;
    static constexpr uint8_t kTagStringVector = 10;
    static constexpr uint8_t kTagByteBlock = 11;

private:
    const Bytes& m_bytes;
    size_t m_nPos = 0;
};

bool ReadNumbers(Cursor& cursor, size_t nWidth, uint64_t nCount, std::vector<int64_t>& values) {
    if (nCount > cursor.Remaining() / nWidth) {
        return false;
    }
    values.resize(static_cast<size_t>(nCount));  // bounded by the bytes left
    for (int64_t& nValue : values) {
        uint64_t nRead = 0;
        cursor.Unsigned(nWidth, nRead);
        nValue = static_cast<int64_t>(nRead);
    }
    return true;
}

bool ReadField(const Field& field, Cursor& cursor, EffectRequest& decoded) {
    const std::string strName = field.szName;
    uint64_t nValue = 0;
    switch (field.eKind) {
        case Kind::kU8:
        case Kind::kU16:
        case Kind::kU32: {
            const size_t nWidth = field.eKind == Kind::kU8 ? 1 : field.eKind == Kind::kU16 ? 2 : 4;
            if (!cursor.Unsigned(nWidth, nValue)) {
                return false;
            }
            decoded.numbers[strName] = {static_cast<int64_t>(nValue)};
            return true;
        }
        case Kind::kI32:
            if (!cursor.Unsigned(4, nValue)) {
                return false;
            }
            decoded.numbers[strName] = {static_cast<int32_t>(static_cast<uint32_t>(nValue))};
            return true;
        case Kind::kPad: {
            Bytes ignored;
            return cursor.Take(field.nSize, ignored);
        }
        case Kind::kU32Array:
        case Kind::kU8Array:
            return ReadNumbers(cursor, field.eKind == Kind::kU8Array ? 1 : 4,
                               decoded.Number(field.szCountField), decoded.numbers[strName]);
        case Kind::kF64Array: {
            const uint64_t nCount = decoded.Number(field.szCountField);
            if (nCount > cursor.Remaining() / 8) {
                return false;
            }
            std::vector<double>& values = decoded.doubles[strName];
            values.resize(static_cast<size_t>(nCount));  // bounded by the bytes left
            for (double& dValue : values) {
                cursor.Double(dValue);
            }
            return true;
        }
        case Kind::kText:
        case Kind::kBlock: {
            Bytes bytes;
            if (!cursor.Take(static_cast<uint64_t>(decoded.Number(field.szCountField)), bytes)) {
                return false;
            }
            if (field.eKind == Kind::kText) {
                decoded.texts[strName] = {std::string(bytes.begin(), bytes.end())};
            } else {
                decoded.blocks[strName] = std::move(bytes);
            }
            return true;
        }
        case Kind::kCharField: {
            Bytes bytes;
            if (!cursor.Take(field.nSize, bytes)) {
                return false;
            }
            auto itZero = std::find(bytes.begin(), bytes.end(), uint8_t(0));
            if (itZero == bytes.end()) {
                return false;
            }
            decoded.texts[strName] = {std::string(bytes.begin(), itZero)};
            return true;
        }
        case Kind::kZText: {
            // The text's only zero byte is its last: the size is its length plus 1.
            Bytes bytes;
            cursor.Take(cursor.Remaining(), bytes);
            auto itZero = std::find(bytes.begin(), bytes.end(), uint8_t(0));
            if (bytes.empty() || itZero != bytes.end() - 1) {
                return false;
            }
            decoded.texts[strName] = {std::string(bytes.begin(), itZero)};
            return true;
        }
        case Kind::kRest:
            return cursor.Take(cursor.Remaining(), decoded.blocks[strName]);
        case Kind::kTaggedU32:
            if (!cursor.TaggedScalar(Cursor::kTagUInt32, 4, nValue)) {
                return false;
            }
            decoded.numbers[strName] = {static_cast<int64_t>(nValue)};
            return true;
        case Kind::kTaggedBool:
            if (!cursor.TaggedScalar(Cursor::kTagBool, 1, nValue)) {
                return false;
            }
            decoded.numbers[strName] = {nValue != 0 ? 1 : 0};
            return true;
        case Kind::kTaggedDouble: {
            uint64_t nBits = 0;
            if (!cursor.TaggedScalar(Cursor::kTagDouble, 8, nBits)) {
                return false;
            }
            double dValue;
            std::memcpy(&dValue, &nBits, sizeof(dValue));
            decoded.doubles[strName] = {dValue};
            return true;
        }
        case Kind::kTaggedString: {
            std::string strValue;
            if (!cursor.TaggedString(strValue)) {
                return false;
            }
            decoded.texts[strName] = {strValue};
            return true;
        }
        case Kind::kTaggedStrings: {
            // Each element takes at least its five header bytes.
            uint64_t nCount = 0;
            if (!cursor.TagHeader(Cursor::kTagStringVector, nCount) ||
                nCount > cursor.Remaining() / 5) {
                return false;
            }
            std::vector<std::string>& values = decoded.texts[strName];
            values.resize(static_cast<size_t>(nCount));  // bounded by the bytes left
            for (std::string& strValue : values) {
                if (!cursor.TaggedString(strValue)) {
                    return false;
                }
            }
            return true;
        }
        case Kind::kTaggedBlock: {
            uint64_t nLength = 0;
            return cursor.TagHeader(Cursor::kTagByteBlock, nLength) &&
                   cursor.Take(nLength, decoded.blocks[strName]);
        }
    }
    return false;
}

}  // namespace

bool IsKnownEffectCommand(uint32_t nCode) {
    return FindLayout(nCode) != nullptr;
}

bool DecodeEffectRequest(uint32_t nCode, const Bytes& request, EffectRequest& decoded) {
    const Layout* pLayout = FindLayout(nCode);
    if (pLayout == nullptr || request.size() < pLayout->nMinSize) {
        return false;
    }
    EffectRequest result;
    result.nCode = nCode;
    result.strName = pLayout->szName;
    Cursor cursor(request);
    for (const Field& field : pLayout->fields) {
        if (!ReadField(field, cursor, result)) {
            return false;
        }
    }
    if (cursor.Remaining() != 0) {
        return false;
    }
    decoded = std::move(result);
    return true;
}

}  // namespace HostPlatform
