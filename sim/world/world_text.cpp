// Reading and writing the state file (format: sim/WORLD.md).
#include "sim/world/world_text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

constexpr size_t kMaxNameUnits = BLUETOOTH_MAX_NAME_SIZE;
constexpr int kMaxInquiryMs = 600000;  // ten minutes: anything longer is a typo
constexpr int kMaxCount = 1000000;
constexpr int kShownValueChars = 40;

enum WorldKey { kRadio, kInquiryMs, kWorldKeyCount };
const char *const kWorldKeyNames[kWorldKeyCount] = {"radio", "inquiry_ms"};

enum DeviceKey {
  kName,
  kAddress,
  kClass,
  kRemembered,
  kConnected,
  kAuthenticated,
  kHidService,
  kDiscoverableOnInquiry,
  kIsRemote,
  kBehaviour,
  kMotionPlus,
  kMotionPlusId,
  kReadReply,
  kFlood,
  kVanish,
  kReadFails,
  kOpenOnAttempt,
  kDeviceKeyCount
};
const char *const kDeviceKeyNames[kDeviceKeyCount] = {
    "name",           "address",       "class",       "remembered",
    "connected",      "authenticated", "hid_service", "discoverable_on_inquiry",
    "is_remote",      "behaviour",     "motionplus",  "motionplus_id",
    "read_reply",     "flood",         "vanish",      "read_fails",
    "open_on_attempt"};

const char *const kBehaviourNames[] = {"normal", "silent", "buttons_only", "accel_x_zero"};
const char *const kReadReplyNames[] = {"normal", "none", "error7", "other_address", "other_size"};
const char *const kVanishNames[] = {"never", "before_first_report", "during_probe", "during_dump"};

template <typename T, size_t N>
constexpr int count_of(T (&)[N]) {
  return static_cast<int>(N);
}

struct Parse {
  const char *file_name;
  int line;
  char *error;
  size_t error_size;
  SimWorld *world;
  SimDevice *device;  // the record being read, null before the first
  int world_key_lines[kWorldKeyCount];
  int device_key_lines[kDeviceKeyCount];
  int device_lines[kWorldMaxDevices];
};

VELK_PRINTF_FORMAT(2, 3) bool fail(Parse *parse, const char *format, ...) {
  char fault[512];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(fault, sizeof fault, format, arguments);
  va_end(arguments);
  snprintf(parse->error, parse->error_size, "%s:%d: %s", parse->file_name, parse->line, fault);
  return false;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parse_bool(Parse *parse, const char *key, const std::string &value, bool *out) {
  if (value == "yes" || value == "true" || value == "1") {
    *out = true;
    return true;
  }
  if (value == "no" || value == "false" || value == "0") {
    *out = false;
    return true;
  }
  return fail(parse, "'%s' takes yes or no, not '%.*s'", key, kShownValueChars, value.c_str());
}

bool parse_count(Parse *parse, const char *key, const std::string &value, int max, int *out) {
  long long number = 0;
  bool digits = !value.empty();
  for (char c : value) {
    if (c < '0' || c > '9') {
      digits = false;
      break;
    }
    number = number * 10 + (c - '0');
    if (number > max) break;
  }
  if (!digits || number > max) {
    return fail(parse, "'%s' takes a whole number from 0 to %d, not '%.*s'", key, max,
                kShownValueChars, value.c_str());
  }
  *out = static_cast<int>(number);
  return true;
}

bool parse_class(Parse *parse, const std::string &value, uint32_t *out) {
  bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
  size_t start = hex ? 2 : 0;
  unsigned long long number = 0;
  bool good = value.size() > start;
  for (size_t i = start; good && i < value.size(); ++i) {
    int digit =
        hex ? hex_digit(value[i]) : (value[i] >= '0' && value[i] <= '9' ? value[i] - '0' : -1);
    good = digit >= 0;
    number = number * (hex ? 16u : 10u) + static_cast<unsigned>(digit);
    if (number > 0xFFFFFFFFull) good = false;
  }
  if (!good) {
    return fail(parse, "'class' takes a 32-bit number such as 0x002504, not '%.*s'",
                kShownValueChars, value.c_str());
  }
  *out = static_cast<uint32_t>(number);
  return true;
}

bool parse_address(Parse *parse, const std::string &value, uint8_t address[6]) {
  bool good = value.size() == 17;
  for (int i = 0; good && i < 6; ++i) {
    int high = hex_digit(value[i * 3]);
    int low = hex_digit(value[i * 3 + 1]);
    good = high >= 0 && low >= 0 && (i == 5 || value[i * 3 + 2] == ':');
    // Written most significant first; kept least significant first.
    if (good) address[5 - i] = static_cast<uint8_t>(high * 16 + low);
  }
  if (!good) {
    return fail(parse, "'address' takes six hex bytes such as 00:19:1D:4A:7C:21, not '%.*s'",
                kShownValueChars, value.c_str());
  }
  return true;
}

bool parse_bytes(Parse *parse, const std::string &value, uint8_t bytes[6]) {
  size_t at = 0;
  int count = 0;
  bool good = true;
  while (good && at < value.size()) {
    while (at < value.size() && is_blank(value[at])) ++at;
    if (at >= value.size()) break;
    int high = hex_digit(value[at]);
    int low = at + 1 < value.size() ? hex_digit(value[at + 1]) : -1;
    bool ends = at + 2 >= value.size() || is_blank(value[at + 2]);
    good = high >= 0 && low >= 0 && ends && count < 6;
    if (good) bytes[count++] = static_cast<uint8_t>(high * 16 + low);
    at += 2;
  }
  if (!good || count != 6) {
    return fail(parse, "'motionplus_id' takes six hex bytes such as 00 00 A6 20 00 05, not '%.*s'",
                kShownValueChars, value.c_str());
  }
  return true;
}

bool parse_choice(Parse *parse, const char *key, const std::string &value, const char *const *names,
                  int name_count, uint8_t *out) {
  for (int i = 0; i < name_count; ++i) {
    if (value == names[i]) {
      *out = static_cast<uint8_t>(i);
      return true;
    }
  }
  std::string choices;
  for (int i = 0; i < name_count; ++i) choices += std::string(i == 0 ? "" : ", ") + names[i];
  return fail(parse, "'%s' takes one of %s, not '%.*s'", key, choices.c_str(), kShownValueChars,
              value.c_str());
}

// One UTF-8 sequence at text[*at]: the code point, or -1 when malformed.
long decode_utf8(const std::string &text, size_t *at) {
  unsigned char first = static_cast<unsigned char>(text[*at]);
  int extra;
  long code_point;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (first < 0x80) {
    extra = 0;
    code_point = first;
  } else if (first >= 0xC2 && first <= 0xDF) {
    extra = 1;
    code_point = first & 0x1F;
  } else if (first >= 0xE0 && first <= 0xEF) {
    extra = 2;
    code_point = first & 0x0F;
    if (first == 0xE0) low = 0xA0;   // no overlong forms
    if (first == 0xED) high = 0x9F;  // no surrogates
  } else if (first >= 0xF0 && first <= 0xF4) {
    extra = 3;
    code_point = first & 0x07;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return -1;
  }
  for (int i = 1; i <= extra; ++i) {
    if (*at + i >= text.size()) return -1;
    unsigned char next = static_cast<unsigned char>(text[*at + i]);
    if (next < low || next > high) return -1;
    low = 0x80;
    high = 0xBF;
    code_point = (code_point << 6) | (next & 0x3F);
  }
  *at += static_cast<size_t>(extra) + 1;
  return code_point;
}

bool parse_name(Parse *parse, const std::string &value, WCHAR name[kMaxNameUnits]) {
  if (value.empty() || value[0] != '"') {
    return fail(parse, "'name' takes a text in double quotes, such as \"Nintendo RVL-CNT-01\"");
  }
  WCHAR units[kMaxNameUnits] = {};
  size_t count = 0;
  size_t at = 1;
  for (;;) {
    if (at >= value.size()) return fail(parse, "the name has no closing '\"'");
    char c = value[at];
    if (c == '"') break;
    uint16_t pending[2];
    int pending_count = 1;
    if (c == '\\') {
      char escaped = at + 1 < value.size() ? value[at + 1] : '\0';
      if (escaped == '"' || escaped == '\\') {
        pending[0] = static_cast<uint16_t>(escaped);
        at += 2;
      } else if (escaped == 'u') {
        long unit = 0;
        for (int i = 0; i < 4; ++i) {
          int digit = at + 2 + i < value.size() ? hex_digit(value[at + 2 + i]) : -1;
          if (digit < 0) return fail(parse, "\\u in the name needs four hex digits");
          unit = unit * 16 + digit;
        }
        pending[0] = static_cast<uint16_t>(unit);
        at += 6;
      } else {
        return fail(parse, "unknown escape in the name (use \\\", \\\\ or \\uXXXX)");
      }
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return fail(parse, "control character in the name; write it as \\uXXXX");
    } else {
      long code_point = decode_utf8(value, &at);
      if (code_point < 0) {
        return fail(parse, "the name is not valid UTF-8 (write other code units as \\uXXXX)");
      }
      if (code_point >= 0x10000) {
        pending[0] = static_cast<uint16_t>(0xD800 + ((code_point - 0x10000) >> 10));
        pending[1] = static_cast<uint16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
        pending_count = 2;
      } else {
        pending[0] = static_cast<uint16_t>(code_point);
      }
    }
    if (count + static_cast<size_t>(pending_count) > kMaxNameUnits) {
      return fail(parse, "the name is longer than %zu UTF-16 code units", kMaxNameUnits);
    }
    for (int i = 0; i < pending_count; ++i) units[count++] = static_cast<WCHAR>(pending[i]);
  }
  if (at + 1 != value.size()) return fail(parse, "text after the name's closing '\"'");
  memcpy(name, units, sizeof units);
  return true;
}

bool set_device_key(Parse *parse, int key, const std::string &value) {
  SimDevice *device = parse->device;
  SimRemoteKnobs *knobs = &device->remote;
  const char *key_name = kDeviceKeyNames[key];
  switch (key) {
    case kName:
      return parse_name(parse, value, device->name);
    case kAddress:
      return parse_address(parse, value, device->address);
    case kClass:
      return parse_class(parse, value, &device->class_of_device);
    case kRemembered:
      return parse_bool(parse, key_name, value, &device->remembered);
    case kConnected:
      return parse_bool(parse, key_name, value, &device->connected);
    case kAuthenticated:
      return parse_bool(parse, key_name, value, &device->authenticated);
    case kHidService:
      return parse_bool(parse, key_name, value, &device->hid_service);
    case kDiscoverableOnInquiry:
      return parse_count(parse, key_name, value, kMaxCount, &device->discoverable_on_inquiry);
    case kIsRemote:
      return parse_bool(parse, key_name, value, &device->is_remote);
    case kBehaviour:
      return parse_choice(parse, key_name, value, kBehaviourNames, count_of(kBehaviourNames),
                          reinterpret_cast<uint8_t *>(&knobs->behaviour));
    case kMotionPlus:
      return parse_bool(parse, key_name, value, &knobs->motionplus);
    case kMotionPlusId:
      return parse_bytes(parse, value, knobs->motionplus_id);
    case kReadReply:
      return parse_choice(parse, key_name, value, kReadReplyNames, count_of(kReadReplyNames),
                          reinterpret_cast<uint8_t *>(&knobs->read_reply));
    case kFlood:
      return parse_count(parse, key_name, value, kMaxCount, &knobs->flood);
    case kVanish:
      return parse_choice(parse, key_name, value, kVanishNames, count_of(kVanishNames),
                          reinterpret_cast<uint8_t *>(&knobs->vanish));
    case kReadFails:
      return parse_bool(parse, key_name, value, &knobs->read_fails);
    case kOpenOnAttempt:
      return parse_count(parse, key_name, value, kMaxCount, &knobs->open_on_attempt);
  }
  return false;
}

int find_key(const char *const *names, int count, const std::string &key) {
  for (int i = 0; i < count; ++i) {
    if (key == names[i]) return i;
  }
  return -1;
}

bool parse_line(Parse *parse, const std::string &key, const std::string &value) {
  if (key == "device") {
    if (!value.empty()) return fail(parse, "'device' stands alone on its line");
    if (parse->world->device_count >= kWorldMaxDevices) {
      return fail(parse, "more than %d devices", kWorldMaxDevices);
    }
    parse->device_lines[parse->world->device_count] = parse->line;
    parse->device = &parse->world->devices[parse->world->device_count++];
    world_default_device(parse->device);
    memset(parse->device_key_lines, 0, sizeof parse->device_key_lines);
    return true;
  }
  if (value.empty()) return fail(parse, "'%s' has no value", key.c_str());

  int world_key = find_key(kWorldKeyNames, kWorldKeyCount, key);
  if (world_key >= 0) {
    if (parse->device != nullptr) {
      return fail(parse, "'%s' belongs before the first device record", key.c_str());
    }
    if (parse->world_key_lines[world_key] != 0) {
      return fail(parse, "'%s' given twice (first on line %d)", key.c_str(),
                  parse->world_key_lines[world_key]);
    }
    parse->world_key_lines[world_key] = parse->line;
    if (world_key == kRadio) return parse_bool(parse, "radio", value, &parse->world->radio);
    return parse_count(parse, "inquiry_ms", value, kMaxInquiryMs, &parse->world->inquiry_ms);
  }

  int device_key = find_key(kDeviceKeyNames, kDeviceKeyCount, key);
  if (device_key < 0) return fail(parse, "unknown key '%.*s'", kShownValueChars, key.c_str());
  if (parse->device == nullptr) {
    return fail(parse, "'%s' outside a device record (start one with a line 'device')",
                key.c_str());
  }
  if (parse->device_key_lines[device_key] != 0) {
    return fail(parse, "'%s' given twice in this device record (first on line %d)", key.c_str(),
                parse->device_key_lines[device_key]);
  }
  parse->device_key_lines[device_key] = parse->line;
  return set_device_key(parse, device_key, value);
}

bool check_addresses(Parse *parse) {
  const SimWorld *world = parse->world;
  for (int i = 0; i < world->device_count; ++i) {
    for (int j = 0; j < i; ++j) {
      if (memcmp(world->devices[i].address, world->devices[j].address, 6) == 0) {
        char text[kAddressTextSize];
        world_format_address(world->devices[i].address, text);
        parse->line = parse->device_lines[i];
        return fail(parse, "this device has the address %s of the device on line %d", text,
                    parse->device_lines[j]);
      }
    }
  }
  return true;
}

void append(std::string *out, const char *format, ...) VELK_PRINTF_FORMAT(2, 3);
void append(std::string *out, const char *format, ...) {
  char text[256];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  *out += text;
}

const char *yes_no(bool value) { return value ? "yes" : "no"; }

}  // namespace

bool world_parse(const char *text, size_t size, const char *file_name, SimWorld *world, char *error,
                 size_t error_size) {
  SimWorld parsed;
  memset(&parsed, 0, sizeof parsed);
  parsed.radio = true;
  parsed.inquiry_ms = kDefaultInquiryMs;
  Parse parse = {};
  parse.file_name = file_name;
  parse.error = error;
  parse.error_size = error_size;
  parse.world = &parsed;

  size_t at = 0;
  while (at < size) {
    ++parse.line;
    size_t end = at;
    while (end < size && text[end] != '\n') ++end;
    std::string line(text + at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\0') != std::string::npos) return fail(&parse, "zero byte in the line");
    size_t start = 0;
    while (start < line.size() && is_blank(line[start])) ++start;
    if (start == line.size() || line[start] == '#') continue;
    size_t key_end = start;
    while (key_end < line.size() && !is_blank(line[key_end])) ++key_end;
    size_t value_start = key_end;
    while (value_start < line.size() && is_blank(line[value_start])) ++value_start;
    size_t value_end = line.size();
    while (value_end > value_start && is_blank(line[value_end - 1])) --value_end;
    if (!parse_line(&parse, line.substr(start, key_end - start),
                    line.substr(value_start, value_end - value_start))) {
      return false;
    }
  }
  if (!check_addresses(&parse)) return false;
  *world = parsed;
  return true;
}

std::string world_format(const SimWorld &world) {
  std::string out = "# The simulated Bluetooth world of the velk tools; format: sim/WORLD.md\n";
  append(&out, "radio %s\ninquiry_ms %d\n", yes_no(world.radio), world.inquiry_ms);
  for (int i = 0; i < world.device_count && i < kWorldMaxDevices; ++i) {
    const SimDevice &device = world.devices[i];
    const SimRemoteKnobs &knobs = device.remote;
    char name[kMaxNameUnits * 6 + 3];
    world_quote_name(device.name, kMaxNameUnits, name, sizeof name);
    char address[kAddressTextSize];
    world_format_address(device.address, address);
    out += "\ndevice\n  name ";
    out += name;
    append(&out, "\n  address %s\n  class 0x%06X\n", address,
           static_cast<unsigned>(device.class_of_device));
    append(&out, "  remembered %s\n  connected %s\n  authenticated %s\n  hid_service %s\n",
           yes_no(device.remembered), yes_no(device.connected), yes_no(device.authenticated),
           yes_no(device.hid_service));
    append(&out, "  discoverable_on_inquiry %d\n  is_remote %s\n", device.discoverable_on_inquiry,
           yes_no(device.is_remote));
    append(&out, "  behaviour %s\n  motionplus %s\n",
           kBehaviourNames[static_cast<int>(knobs.behaviour) % count_of(kBehaviourNames)],
           yes_no(knobs.motionplus));
    const uint8_t *id = knobs.motionplus_id;
    append(&out, "  motionplus_id %02X %02X %02X %02X %02X %02X\n", id[0], id[1], id[2], id[3],
           id[4], id[5]);
    append(&out, "  read_reply %s\n  flood %d\n  vanish %s\n  read_fails %s\n",
           kReadReplyNames[static_cast<int>(knobs.read_reply) % count_of(kReadReplyNames)],
           knobs.flood, kVanishNames[static_cast<int>(knobs.vanish) % count_of(kVanishNames)],
           yes_no(knobs.read_fails));
    append(&out, "  open_on_attempt %d\n", knobs.open_on_attempt);
  }
  return out;
}
