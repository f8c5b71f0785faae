// korvel_extra: the other ZX picture forms, everything korvel_hobeta reads,
// the Hobeta and packed files real disks hold that korvel_hobeta refuses, and
// the pictures in tapes, snapshots, recordings, disk images and cartridges.

#include "decoders/attribute_screen.h"
#include "decoders/border_screens.h"
#include "decoders/ifl_screen.h"
#include "decoders/macroscreen.h"
#include "decoders/mgh_gigascreen.h"
#include "decoders/mlt_screen.h"
#include "decoders/next_layer2.h"
#include "decoders/plus3dos_screen.h"
#include "decoders/sca_animation.h"
#include "decoders/text_picture.h"
#include "decoders/three_colour.h"
#include "decoders/timex_screens.h"
#include "decoders/ulaplus_screen.h"
#include "plugin/container_pictures.h"
#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/tolerant_reading.h"

namespace korvel {

namespace {

// Tried in this order; the first that gives a picture decides. Signatures
// first, then names (with sizes where the form has one), then sizes alone,
// then korvel_hobeta's own reading, then the tolerant readings of what it
// refuses.
constexpr RecognitionStep kSteps[] = {
    {"MGH multicolour gigascreen", Signature("MGH"), ReadWhole<DecodeMghGigascreen>},
    {"chr$ macroscreen", SignatureAnyCase("chr$"), ReadWhole<DecodeMacroscreen>},
    {"SCA animation, first frame", Signature("SCA"), ReadWhole<DecodeScaFirstFrame>},
    {"+3DOS screen", Signature("PLUS3DOS\x1A"), ReadWhole<DecodePlus3dosScreen>},
    {"TZX tape", Signature("ZXTape!\x1A"), ReadFirstContainerPicture<ContainerKind::kTzx>, ContainerKind::kTzx},
    {"SCL disk image", Signature("SINCLAIR"), ReadFirstContainerPicture<ContainerKind::kScl>, ContainerKind::kScl},
    {"text picture", Signature("ZX-Paintbrush"), ReadWhole<DecodeTextPicture>},
    {"RZX recording", Signature("RZX!"), ReadFirstContainerPicture<ContainerKind::kRzx>, ContainerKind::kRzx},
    {"SZX snapshot", Signature("ZXST"), ReadFirstContainerPicture<ContainerKind::kSzx>, ContainerKind::kSzx},
    {"+3 disk image", Signature("MV - CPC"), ReadFirstContainerPicture<ContainerKind::kDsk>, ContainerKind::kDsk},
    {"+3 disk image", Signature("EXTENDED"), ReadFirstContainerPicture<ContainerKind::kDsk>, ContainerKind::kDsk},
    {"PZX tape", Signature("PZXT"), ReadFirstContainerPicture<ContainerKind::kPzx>, ContainerKind::kPzx},
    {"UDI disk image", Signature("UDI!"), ReadFirstContainerPicture<ContainerKind::kUdi>, ContainerKind::kUdi},
    {"CSW tape recording", Signature("Compressed Square Wave\x1A"), ReadFirstContainerPicture<ContainerKind::kCsw>,
     ContainerKind::kCsw},

    {"MLT multicolour screen", Extension(".mlt", 12288), ReadWhole<DecodeMltScreen>},
    {"IFL multicolour screen", Extension(".ifl", 9216), ReadWhole<DecodeIflScreen>},
    {"attribute screen", Extension(".atr", 768), ReadWhole<DecodeAttributeScreen>},
    {"attribute screen", Extension(".53c", 768), ReadWhole<DecodeAttributeScreen>},
    {"Timex hi-colour screen", Extension(".shc", 12288), ReadWhole<DecodeTimexHiColourScreen>},
    {"three-plane screen", Extension(".3", 18432), ReadWholeChecked<DecodeThreeColourScreen>},
    {"Next layer-2 picture", Extension(".nxi", 49152, 49664), ReadWhole<DecodeNextLayer2Picture>},
    {"TAP tape", Extension(".tap"), ReadFirstContainerPicture<ContainerKind::kTap>, ContainerKind::kTap},
    {"SNA snapshot", Extension(".sna"), ReadFirstContainerPicture<ContainerKind::kSna>, ContainerKind::kSna},
    {"Z80 snapshot", Extension(".z80"), ReadFirstContainerPicture<ContainerKind::kZ80>, ContainerKind::kZ80},
    {"TR-DOS disk image", Extension(".trd"), ReadFirstContainerPicture<ContainerKind::kTrd>, ContainerKind::kTrd},
    {"FDI disk image", Extension(".fdi"), ReadFirstContainerPicture<ContainerKind::kFdi>, ContainerKind::kFdi},
    {"TD0 disk image", Extension(".td0"), ReadFirstContainerPicture<ContainerKind::kTd0>, ContainerKind::kTd0},
    {"MDR microdrive cartridge", Extension(".mdr"), ReadFirstContainerPicture<ContainerKind::kMdr>,
     ContainerKind::kMdr},
    {"WAV tape recording", Extension(".wav"), ReadFirstContainerPicture<ContainerKind::kWav>, ContainerKind::kWav},

    {"ULAplus screen", Size(6976), ReadWhole<DecodeUlaplusScreen>},
    {"BSC screen with border", Size(11136), ReadWhole<DecodeBscScreen>},
    {"BMC4 multicolour screen with border", Size(11904), ReadWhole<DecodeBmc4Screen>},
    {"Timex hi-res screen", Size(12289), ReadWhole<DecodeTimexHiResScreen>},

    {"korvel_hobeta picture", HobetaSized(), ReadAsKorvelHobeta},

    {"tolerated Hobeta file", HobetaSized(), ReadTolerantHobeta},
    {"packed data without header", HobetaSized(), ReadHeaderlessPacked},
    {"three-colour screen named in capitals", Size(18432), ReadThreeColourNamedInCapitals},
};

}  // namespace

// korvel_hobeta's load area: step 4 reads through korvel_hobeta's own
// description, and the tolerant readings use its work area.
const DeliverableDescription kKorvelExtra = {
    "korvel_extra",
    "scr;$c;!c;$s;!s;$b;!b;mlt;ifl;mg1;mg2;mg4;mg8;bsc;bmc4;atr;53c;ch$;chr$;shc;shr;3;nxi;sca;zxp;"
    "tap;tzx;sna;z80;trd;scl;rzx;szx;dsk;pzx;fdi;udi;td0;mdr;csw;wav",
    nullptr,
    0,
    {kReadBufferBytes + 18432, kReadBufferBytes + 11520, kReadBufferBytes, kReadBufferBytes + 4608},
    kLcmp5Current,
    kSteps,
    sizeof kSteps / sizeof kSteps[0],
    kMinExtraFileBytes,
    kMaxExtraFileBytes,
};

}  // namespace korvel
