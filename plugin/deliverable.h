#pragma once
// What tells one plug-in from the other: a constant description, one per
// deliverable, fixed at build time.

#include <cstddef>
#include <cstdint>

#include "depackers/lcmp5.h"

namespace korvel {

struct HobetaRule;
struct RecognitionStep;

// Every korvel plug-in's label for the host.
inline constexpr char kPluginLabel[] = "ZX Graphics";

// Offsets inside the per-load area; the read buffer always comes first.
struct LoadAreaLayout {
  size_t size;                 // the whole area, read buffer included
  size_t lcmp5Output;          // 6912 bytes of LCMP5 output
  size_t hrThreeColourOutput;  // 18432 bytes of HR output (three-colour screen)
  size_t hrGigascreenOutput;   // 13824 bytes of HR output (gigascreen)
};

struct DeliverableDescription {
  const char* name;           // the plug-in's file name without suffix, e.g. "korvel_hobeta"
  const char* extensionList;  // announced to the host, e.g. "scr;$s"
  const HobetaRule* const* rules;
  size_t ruleCount;
  LoadAreaLayout layout;
  Lcmp5Variant lcmp5;
  // Without steps: the raw sizes, then the Hobeta checks and `rules`, over a
  // load area on the caller's stack, for files of 17 to 65552 bytes. With
  // steps: the file goes into a heap buffer and the steps are tried in order.
  const RecognitionStep* steps = nullptr;
  size_t stepCount = 0;
  uint32_t minFileBytes = 17;
  uint32_t maxFileBytes = 65552;
};

// The deliverables, defined in deliverables/*/description.cpp.
extern const DeliverableDescription kKorvelHobeta;
extern const DeliverableDescription kKorvelScreens;
extern const DeliverableDescription kKorvelExtra;

// The deliverable a plug-in binary is built as (deliverables/*/binding.cpp).
extern const DeliverableDescription& kThisPlugin;

}  // namespace korvel
