// Trigger configuration: the six setters, which only store the trigger in
// the group's cache, and the senders, which the extended capture start runs
// to build the cached trigger's record and send it as setting 10.
#include <initializer_list>

#include "runtime/trig_records.h"
#include "settings/settings.h"

namespace uzyv {

namespace {

// Range tests compare as unsigned 32-bit numbers, so negative values fail.
bool atMost(int32_t value, uint32_t limit) { return uint32_t(value) <= limit; }
bool zeroOrOne(int32_t source) { return source == 0 || source == 1; }

// The setters make only the first two checks of the dispatch: a trigger can
// be stored in a closed group.
Code requireTriggerGroup(DeviceGroup*& group) { return requireStarted(group); }
Code requireExtended(const DeviceGroup& group) { return group.extendedProduct() ? kOk : UZYV_ERR_TRIGGER_KIND; }

void store(DeviceGroup& group, int32_t kind, std::initializer_list<int64_t> slots) {
  group.trigKind = kind;
  std::size_t k = 0;
  for (int64_t v : slots) group.trigParam[k++] = v;
}

// Checks shared by a setter and its sender.
Code checkEdge(int32_t source, int32_t mode) {
  return atMost(mode, 3) && atMost(source, 2) ? kOk : UZYV_ERR_VALUE;
}
Code checkVideo(int32_t source, int32_t mode) {
  if (!zeroOrOne(source)) return kSilent;
  return atMost(mode, 3) && atMost(source, 2) ? kOk : UZYV_ERR_VALUE;
}
Code checkWidth(int32_t source, int32_t selA, int32_t selB) {
  return atMost(selA, 2) && atMost(source, 2) && atMost(selB, 3) ? kOk : UZYV_ERR_VALUE;
}
Code checkPattern(int32_t source, int32_t source2, int32_t flag) {
  return atMost(source, 2) && atMost(source2, 2) && atMost(flag, 1) ? kOk : UZYV_ERR_VALUE;
}

// A level as the runtime receives it: the low 32 bits of the level minus the
// source channel's offset, as a 32-bit difference.
int32_t relativeLevel(const DeviceGroup& group, int64_t level, int32_t source) {
  int32_t offset = 0;
  if (source >= 0 && std::size_t(source) < group.channels.size()) offset = group.channels[std::size_t(source)].voltOfs;
  return int32_t(uint32_t(uint64_t(level)) - uint32_t(offset));
}

template <class Record>
Code sendRecord(Record& record, int32_t kind) {
  record.kind = kind;
  record.size = int32_t(sizeof(Record));
  return sendSetting(0, kSetTrigRecord, reinterpret_cast<uZyvValue>(&record));
}

Code sendEdge(const DeviceGroup& g) {
  const int64_t* p = g.trigParam;
  const int32_t source = low32(p[0]), mode = low32(p[1]);
  if (Code c = checkEdge(source, mode)) return c;
  EdgeTrigRecord r{};
  r.source = source;
  r.mode = mode;
  r.level = relativeLevel(g, p[2], source);
  return sendRecord(r, kRecordEdge);
}

Code sendVideo(const DeviceGroup& g) {
  const int64_t* p = g.trigParam;
  const int32_t source = low32(p[0]), mode = low32(p[1]);
  if (Code c = checkVideo(source, mode)) return c;
  VideoTrigRecord r{};
  r.source = source;
  r.mode = mode;
  r.value = low32(p[2]);
  return sendRecord(r, kRecordVideo);
}

// Width and runt records share their first fields: source, the two
// selectors, value, value64 and the first level, all on the source channel.
template <class Record>
Code fillWidthFields(const DeviceGroup& g, Record& r) {
  if (Code c = requireExtended(g)) return c;
  const int64_t* p = g.trigParam;
  const int32_t source = low32(p[0]), selA = low32(p[1]), selB = low32(p[2]);
  // The runt sender does not repeat its setter's 0-or-1 rule for the source.
  if (Code c = checkWidth(source, selA, selB)) return c;
  r.source = source;
  r.selA = selA;
  r.selB = selB;
  r.value = low32(p[3]);
  r.value64 = p[4];
  r.level = relativeLevel(g, p[5], source);
  return kOk;
}

Code sendRunt(const DeviceGroup& g) {
  RuntTrigRecord r{};
  if (Code c = fillWidthFields(g, r)) return c;
  r.level2 = relativeLevel(g, g.trigParam[6], r.source);
  return sendRecord(r, kRecordRunt);
}

Code sendWidth(const DeviceGroup& g) {
  WidthTrigRecord r{};
  if (Code c = fillWidthFields(g, r)) return c;
  return sendRecord(r, kRecordWidth);
}

// Pattern and state triggers take the same cached arguments; the state
// record carries the second source and value first and no flag.
struct TwoSourceTrigger {
  int32_t source, source2, value, value2, flag;
};

Code cachedTwoSource(const DeviceGroup& g, TwoSourceTrigger& t) {
  if (Code c = requireExtended(g)) return c;
  const int64_t* p = g.trigParam;
  t = {low32(p[0]), low32(p[1]), low32(p[2]), low32(p[3]), low32(p[4])};
  return checkPattern(t.source, t.source2, t.flag);
}

Code sendPattern(const DeviceGroup& g) {
  TwoSourceTrigger t{};
  if (Code c = cachedTwoSource(g, t)) return c;
  PatternTrigRecord r{};
  r.source = t.source;
  r.source2 = t.source2;
  r.value = t.value;
  r.value2 = t.value2;
  r.flag = t.flag;
  r.value64 = g.trigParam[5];
  r.level = relativeLevel(g, g.trigParam[6], t.source);
  r.level2 = relativeLevel(g, g.trigParam[7], t.source2);
  return sendRecord(r, kRecordPattern);
}

Code sendState(const DeviceGroup& g) {
  TwoSourceTrigger t{};
  if (Code c = cachedTwoSource(g, t)) return c;
  StateTrigRecord r{};
  r.source2 = t.source2;
  r.source = t.source;
  r.value2 = t.value2;
  r.value = t.value;
  r.level = relativeLevel(g, g.trigParam[5], t.source);
  r.level2 = relativeLevel(g, g.trigParam[6], t.source2);
  return sendRecord(r, kRecordState);
}

}  // namespace

Code setEdgeTrig(int32_t source, int32_t mode, int64_t level) {
  DeviceGroup* group = nullptr;
  if (Code c = requireTriggerGroup(group)) return c;
  if (Code c = checkEdge(source, mode)) return c;
  store(*group, kTrigEdge, {source, mode, level});
  return kOk;
}

Code setVideoTrig(int32_t source, int32_t mode, int32_t value) {
  DeviceGroup* group = nullptr;
  if (Code c = requireTriggerGroup(group)) return c;
  if (Code c = checkVideo(source, mode)) return c;
  store(*group, kTrigVideo, {source, mode, value});
  return kOk;
}

Code setRuntTrig(int32_t source, int32_t selA, int32_t selB, int32_t value, int64_t value64, int64_t level,
                 int64_t level2) {
  DeviceGroup* group = nullptr;
  if (Code c = requireTriggerGroup(group)) return c;
  if (Code c = requireExtended(*group)) return c;
  if (!zeroOrOne(source)) return kSilent;
  if (Code c = checkWidth(source, selA, selB)) return c;
  store(*group, kTrigRunt, {source, selA, selB, value, value64, level, level2});
  return kOk;
}

Code setWidthTrig(int32_t source, int32_t selA, int32_t selB, int32_t value, int64_t value64, int64_t level) {
  DeviceGroup* group = nullptr;
  if (Code c = requireTriggerGroup(group)) return c;
  if (Code c = requireExtended(*group)) return c;
  if (Code c = checkWidth(source, selA, selB)) return c;
  store(*group, kTrigWidth, {source, selA, selB, value, value64, level});
  return kOk;
}

Code setPatternTrig(int32_t source, int32_t source2, int32_t value, int32_t value2, int32_t flag, int64_t value64,
                    int64_t level, int64_t level2) {
  DeviceGroup* group = nullptr;
  if (Code c = requireTriggerGroup(group)) return c;
  if (Code c = requireExtended(*group)) return c;
  if (Code c = checkPattern(source, source2, flag)) return c;
  store(*group, kTrigPattern, {source, source2, value, value2, flag, value64, level, level2});
  return kOk;
}

Code setStateTrig(int32_t source, int32_t source2, int32_t value, int32_t value2, int32_t flag, int64_t level,
                  int64_t level2) {
  DeviceGroup* group = nullptr;
  if (Code c = requireTriggerGroup(group)) return c;
  if (Code c = requireExtended(*group)) return c;
  if (Code c = checkPattern(source, source2, flag)) return c;
  store(*group, kTrigState, {source, source2, value, value2, flag, level, level2});
  return kOk;
}

Code sendCachedTrigger(const DeviceGroup& group) {
  switch (group.trigKind) {
    case kTrigVideo: return sendVideo(group);
    case kTrigRunt: return sendRunt(group);
    case kTrigWidth: return sendWidth(group);
    case kTrigPattern: return sendPattern(group);
    case kTrigState: return sendState(group);
    default: return sendEdge(group);
  }
}

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKSetEdgeTrig(int32_t source, int32_t mode, int64_t level) {
  return exportCall(setEdgeTrig, source, mode, level);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetVideoTrig(int32_t source, int32_t mode, int32_t value) {
  return exportCall(setVideoTrig, source, mode, value);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetRuntTrig(int32_t source, int32_t selA, int32_t selB, int32_t value,
                                              int64_t value64, int64_t level, int64_t level2) {
  return exportCall(setRuntTrig, source, selA, selB, value, value64, level, level2);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetWidthTrig(int32_t source, int32_t selA, int32_t selB, int32_t value,
                                               int64_t value64, int64_t level) {
  return exportCall(setWidthTrig, source, selA, selB, value, value64, level);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetPatternTrig(int32_t source, int32_t source2, int32_t value, int32_t value2,
                                                 int32_t flag, int64_t value64, int64_t level, int64_t level2) {
  return exportCall(setPatternTrig, source, source2, value, value2, flag, value64, level, level2);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetStateTrig(int32_t source, int32_t source2, int32_t value, int32_t value2,
                                               int32_t flag, int64_t level, int64_t level2) {
  return exportCall(setStateTrig, source, source2, value, value2, flag, level, level2);
}

}  // extern "C"
