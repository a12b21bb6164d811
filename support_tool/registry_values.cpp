#include "support_tool/registry_values.h"

#include "platform/registry_api.h"

#include <cstring>

namespace txr::support_tool {
namespace {

constexpr DWORD kMostValueRead = 1u << 20;

bool IsText(const RawValue& value) {
    return value.present && (value.type == REG_SZ || value.type == REG_EXPAND_SZ);
}

}  // namespace

RawValue ReadRaw(HKEY key, const char* name) {
    RawValue value;
    if (!key) return value;
    if (reg::QueryValue(key, name, &value.type, nullptr, &value.size) != ERROR_SUCCESS) {
        return value;
    }
    value.present = true;
    if (value.size == 0 || value.size > kMostValueRead) return value;
    // The value may change between the two calls; a failed second read
    // leaves the contents unknown (empty).
    value.data.assign(value.size, 0);
    DWORD got = value.size;
    if (reg::QueryValue(key, name, &value.type, value.data.data(), &got) == ERROR_SUCCESS &&
        got <= value.size) {
        value.data.resize(got);
    } else {
        value.data.clear();
    }
    return value;
}

bool ValueExists(HKEY key, const char* name) {
    DWORD size = 0;
    return key && reg::QueryValue(key, name, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

bool AsNumber(const RawValue& value, DWORD* number) {
    if (!value.present || value.type != REG_DWORD || value.data.size() != sizeof(DWORD)) {
        return false;
    }
    std::memcpy(number, value.data.data(), sizeof(DWORD));
    return true;
}

bool AsText(const RawValue& value, std::string* text) {
    if (!IsText(value) || (value.data.empty() && value.size > 0)) return false;
    if (value.data.empty()) {
        text->clear();
        return true;
    }
    const char* bytes = reinterpret_cast<const char*>(value.data.data());
    std::size_t length = strnlen(bytes, value.data.size());
    if (length > kMostValueText) {
        *text = std::string(bytes, kMostValueText) + " [...]";
    } else {
        *text = std::string(bytes, length);
    }
    return true;
}

std::string DescribeNumber(const RawValue& value) {
    if (!value.present) return "(missing)";
    DWORD number = 0;
    if (AsNumber(value, &number)) return std::to_string(number);
    if (value.type == REG_DWORD) return "(a number of the wrong size)";
    return "(not a number: registry type " + std::to_string(value.type) + ")";
}

std::string DescribeText(const RawValue& value) {
    if (!value.present) return "(missing)";
    if (!IsText(value)) return "(not a text: registry type " + std::to_string(value.type) + ")";
    std::string text;
    if (!AsText(value, &text)) {
        return "(a text of " + std::to_string(value.size) + " bytes, not shown)";
    }
    return text;
}

bool AsRecorded(const RawValue& value, std::string* text) {
    DWORD number = 0;
    if (AsNumber(value, &number)) {
        *text = std::to_string(number);
        return true;
    }
    return AsText(value, text);
}

}  // namespace txr::support_tool
