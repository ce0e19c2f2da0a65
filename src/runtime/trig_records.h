// The trigger records sent to the runtime by address with setting 10. Each
// begins with its record kind and its size in bytes; all fields are
// little-endian int32 except the int64 value64, which sits at 4-byte
// alignment. The layouts are the same on every host.
#pragma once

#include <cstddef>
#include <cstdint>

namespace uzyv {

// Record kinds as the runtime numbers them: width and runt are the reverse
// of the cached trigger kinds.
enum TrigRecordKind : int32_t {
  kRecordEdge = 0,
  kRecordVideo = 1,
  kRecordWidth = 2,
  kRecordRunt = 3,
  kRecordPattern = 4,
  kRecordState = 5,
};

#pragma pack(push, 4)
struct EdgeTrigRecord {
  int32_t kind;
  int32_t size;
  int32_t source;
  int32_t mode;
  int32_t level;
};

struct VideoTrigRecord {
  int32_t kind;
  int32_t size;
  int32_t source;
  int32_t mode;
  int32_t value;
  int32_t reserved;  // always 0
};

struct WidthTrigRecord {
  int32_t kind;
  int32_t size;
  int32_t source;
  int32_t selA;
  int32_t selB;
  int32_t value;
  int64_t value64;
  int32_t level;
};

struct RuntTrigRecord {
  int32_t kind;
  int32_t size;
  int32_t source;
  int32_t selA;
  int32_t selB;
  int32_t value;
  int64_t value64;
  int32_t level;
  int32_t level2;
};

struct PatternTrigRecord {
  int32_t kind;
  int32_t size;
  int32_t source;
  int32_t source2;
  int32_t value;
  int32_t value2;
  int32_t flag;
  int64_t value64;
  int32_t level;
  int32_t level2;
};

// The state record carries the second source and value before the first.
struct StateTrigRecord {
  int32_t kind;
  int32_t size;
  int32_t source2;
  int32_t source;
  int32_t value2;
  int32_t value;
  int32_t level;
  int32_t level2;
};
#pragma pack(pop)

static_assert(sizeof(EdgeTrigRecord) == 20 && offsetof(EdgeTrigRecord, source) == 8 &&
              offsetof(EdgeTrigRecord, mode) == 12 && offsetof(EdgeTrigRecord, level) == 16);
static_assert(sizeof(VideoTrigRecord) == 24 && offsetof(VideoTrigRecord, mode) == 12 &&
              offsetof(VideoTrigRecord, value) == 16 && offsetof(VideoTrigRecord, reserved) == 20);
static_assert(sizeof(WidthTrigRecord) == 36 && offsetof(WidthTrigRecord, selA) == 12 &&
              offsetof(WidthTrigRecord, selB) == 16 && offsetof(WidthTrigRecord, value) == 20 &&
              offsetof(WidthTrigRecord, value64) == 24 && offsetof(WidthTrigRecord, level) == 32);
static_assert(sizeof(RuntTrigRecord) == 40 && offsetof(RuntTrigRecord, value64) == 24 &&
              offsetof(RuntTrigRecord, level) == 32 && offsetof(RuntTrigRecord, level2) == 36);
static_assert(sizeof(PatternTrigRecord) == 44 && offsetof(PatternTrigRecord, source2) == 12 &&
              offsetof(PatternTrigRecord, value) == 16 && offsetof(PatternTrigRecord, value2) == 20 &&
              offsetof(PatternTrigRecord, flag) == 24 && offsetof(PatternTrigRecord, value64) == 28 &&
              offsetof(PatternTrigRecord, level) == 36 && offsetof(PatternTrigRecord, level2) == 40);
static_assert(sizeof(StateTrigRecord) == 32 && offsetof(StateTrigRecord, source2) == 8 &&
              offsetof(StateTrigRecord, source) == 12 && offsetof(StateTrigRecord, value2) == 16 &&
              offsetof(StateTrigRecord, value) == 20 && offsetof(StateTrigRecord, level) == 24 &&
              offsetof(StateTrigRecord, level2) == 28);

}  // namespace uzyv
