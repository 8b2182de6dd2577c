// Module discovery: entries made from address claims, the claim cycle that drops silent
// modules, and the selection of the module being programmed.
#include "flashloader/module_manager.h"

#include "data/data_ref.h"
#include "data/text_data_ref.h"
#include "flashloader/display_module.h"
#include "flashloader/module_selection.h"
#include "flashloader/protocol_msgs.h"
#include "flashloader/sw_ver_helper.h"
#include "gui/text_data_display.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"

J1939moduleManager J1939moduleMgr;

namespace {
// The labels take the ink of the values beside them: on the list's paper a white label
// would not show, selected or not.
constexpr Color CfLabelColor = 256;
constexpr Color CfDisplayColor = 256;
constexpr Color CfTransparent = 15;
constexpr FontSize CfSmallFont = 0;
constexpr FontSize CfLabelFont = 1;
constexpr long CfSmallLine = height_lineModDetailTitle;

void setText(TextData& d, const char* s) {
    d.setTextValue(reinterpret_cast<const unsigned char*>(s));
}
} // namespace

// Relative to the item: the NAME and the versions in two small lines at the top, the
// address, identity and function in labelled lines below.
J1939controlFunction::J1939controlFunction()
    : HierListItem(height_ModDetailDisplay, SUBLIST_COLLAPSED, VREF_HEIGHT, SELECTABLE),
      module(255, "", false, J1939NAME(0, 0, 0, 0, MakerManufacturerCode, 0, 0, 0, false),
             J1939NAME(true, 255)),
      addressLabel(BBox(At(xpos_detailLabel, 10), width_ModDetailLabels, height_lineModDetailItems),
                   "Address:", CfLabelFont, ALIGN_RIGHT, CfTransparent, CfLabelColor, false, true),
      idLabel(BBox(At(xpos_detailLabel, 25), width_ModDetailLabels, height_lineModDetailItems),
              "ID:", CfLabelFont, ALIGN_RIGHT, CfTransparent, CfLabelColor, false, true),
      functionLabel(
          BBox(At(xpos_detailLabel, 40), width_ModDetailLabels, height_lineModDetailItems),
          "Function:", CfLabelFont, ALIGN_RIGHT, CfTransparent, CfLabelColor, false, true),
      nameText(CfTextCapacity), appVerText(CfTextCapacity), paramVerText(CfTextCapacity),
      addressData(nullptr, nullptr, CfFreeAddress),
      nameDisplay(new TextDataRef(&nameText), BBox(At(0, 0), width_ModNAME, CfSmallLine),
                  CfSmallFont, ALIGN_RIGHT, CfTransparent, CfDisplayColor, 0, false, true, true),
      appSwNumDisplay(new NumericDataRef(&appSwNum), BBox(At(0, 0), width_swNum, CfSmallLine),
                      CfSmallFont, ALIGN_RIGHT, CfTransparent, CfDisplayColor, 0, false, true,
                      true),
      appVerDisplay(new TextDataRef(&appVerText), BBox(At(xpos_ver, 0), width_ver, CfSmallLine),
                    CfSmallFont, ALIGN_LEFT_TOP, CfTransparent, CfDisplayColor, 0, false, true,
                    true),
      paramSwNumDisplay(new NumericDataRef(&paramSwNum),
                        BBox(At(0, CfSmallLine), width_swNum, CfSmallLine), CfSmallFont,
                        ALIGN_RIGHT, CfTransparent, CfDisplayColor, 0, false, true, true),
      paramVerDisplay(new TextDataRef(&paramVerText),
                      BBox(At(xpos_ver, CfSmallLine), width_ver, CfSmallLine), CfSmallFont,
                      ALIGN_LEFT_TOP, CfTransparent, CfDisplayColor, 0, false, true, true),
      addressDisplay(new NumericDataRef(&addressData),
                     BBox(At(xpos_details, 10), width_ModDetails, height_lineModDetailItems),
                     CfLabelFont, ALIGN_LEFT_TOP, CfTransparent, CfDisplayColor, 0, false, true,
                     true),
      identityDisplay(new NumericDataRef(&identityData),
                      BBox(At(xpos_details, 25), width_ModDetails, height_lineModDetailItems),
                      CfLabelFont, ALIGN_LEFT_TOP, CfTransparent, CfDisplayColor, 0, false, true,
                      true),
      functionDisplay(new NumericDataRef(&functionData),
                      BBox(At(xpos_details, 40), width_ModDetails, height_lineModDetailItems),
                      CfLabelFont, ALIGN_LEFT_TOP, CfTransparent, CfDisplayColor, 0, false, true,
                      true) {
    initSwVer();
    GraphicalObj* const objects[] = {&nameDisplay,       &appSwNumDisplay, &appVerDisplay,
                                     &paramSwNumDisplay, &paramVerDisplay, &addressLabel,
                                     &addressDisplay,    &idLabel,         &identityDisplay,
                                     &functionLabel,     &functionDisplay};
    for (GraphicalObj* o : objects)
        add(o);
}

void J1939controlFunction::initSwVer() {
    appSwNum.setValue(0);
    paramSwNum.setValue(0);
    for (SwVerInfo& v : swVer)
        v = noSwVer;
}

bool J1939controlFunction::noSwVersions() const {
    for (const SwVerInfo& v : swVer)
        if (v != noSwVer) return false;
    return true;
}

void J1939controlFunction::updateGUI(bool onlyIfAssigned) {
    bool wasFree = !isAssigned();
    if (wasFree && onlyIfAssigned) return;
    addressData.setValue(module.address);
    identityData.setValue(module.expectedNAME.getIdentity());
    functionData.setValue(module.expectedNAME.getFunction());
    setText(nameText, module.expectedNAME.inASCII());
    setText(appVerText, swVerInAscii(swVer[0]));
    setText(paramVerText, swVerInAscii(swVer[1]));
    if (wasFree) moduleSelection.adjustListSize(1, this);
    moduleSelection.refreshIfCurrent(this);
}

void J1939controlFunction::removeFromGUI() {
    addressData.setValue(CfFreeAddress);
    // No frame comes from the global address: a dropped entry never takes another module's
    // messages while it stays known to the bus.
    module.address = GlobalAddress;
    moduleSelection.adjustListSize(-1, this);
}

void J1939moduleManager::initCom() {
    CANbusMgr.ignoreAddrClaims = false;
    CANbusMgr.registerAddrClaimHandler(this);
    deselectTargetCf();
}

void J1939moduleManager::moduleClaimedAddr(J1939module* m) {
    // A module the bus knows is one of the entries (it was asked or programmed): its own
    // entry takes the claim, so that one NAME never has two entries.
    for (int i = 0; i < MaxControlFunctions; ++i) {
        if (&cf[i].module != m) continue;
        if (!cf[i].isAssigned()) {
            if (downloadInProgress() || m->expectedNAME == Display.expectedNAME) return;
            if (count >= MaxControlFunctions) return;
            ++count;
            claimInto(i, m->address, m->expectedNAME, true);
            return;
        }
        break;
    }
    addOrModifyCf(m->address, m->expectedNAME);
}

void J1939moduleManager::unknownModuleClaimedAddr(unsigned char address, J1939NAME* name) {
    if (name != nullptr) addOrModifyCf(address, *name);
}

int J1939moduleManager::findModuleInList(const J1939NAME& name) {
    for (int i = 0; i < MaxControlFunctions; ++i)
        if (cf[i].isAssigned() && cf[i].module.expectedNAME == name) return i;
    return MaxControlFunctions;
}

int J1939moduleManager::findFirstUnassigned() {
    for (int i = 0; i < MaxControlFunctions; ++i)
        if (!cf[i].isAssigned()) return i;
    return MaxControlFunctions;
}

void J1939moduleManager::addOrModifyCf(unsigned char address, const J1939NAME& name) {
    if (downloadInProgress() || name == Display.expectedNAME) return;
    int i = findModuleInList(name);
    if (i < MaxControlFunctions) {
        claimInto(i, address, name, false);
        return;
    }
    if (count >= MaxControlFunctions) return;
    i = findFirstUnassigned();
    if (i >= MaxControlFunctions) return;
    ++count;
    claimInto(i, address, name, true);
}

void J1939moduleManager::claimInto(int i, unsigned char address, const J1939NAME& name,
                                   bool isNew) {
    J1939controlFunction& c = cf[i];
    // The shown address, not the module's: the bus moves a module it knows before it
    // reports the claim.
    bool changed = isNew || c.addressData.getValue() != address;
    if (isNew) c.module.expectedNAME = name;
    c.module.address = address;
    c.lifeCount = CfLifeRounds;
    if (isNew) swVerHelp.getVersions(&c);
    if (changed) c.updateGUI(false);
}

void J1939moduleManager::asking(const J1939controlFunction* c) {
    if (c >= cf && c < cf + MaxControlFunctions) lastAsked = static_cast<int>(c - cf);
}

void J1939moduleManager::getNextModule() {
    for (int k = 1; k <= MaxControlFunctions; ++k) {
        J1939controlFunction& c = cf[(lastAsked + k) % MaxControlFunctions];
        if (c.isAssigned() && c.noSwVersions()) {
            swVerHelp.getVersions(&c);
            return;
        }
    }
}

void J1939moduleManager::selectTargetCf(J1939module* m) {
    if (downloadInProgress()) {
        ChangeToRunModeCmdMsg.transmit(target->address);
        if (m != &AllModules) return;
    }
    target = m;
    if (m == &AllModules) {
        cancelDelayedNotify(TimerEvent);
        delayedNotify(TimerEvent, ClaimCycleRestartMs);
    } else if (!m->registered) {
        CANbusMgr.registerModule(m);
    }
    // On deselection the commands stay aimed at the module: the run-mode command just
    // queued must still reach it when it leaves after this call.
    J1939msg* const commands[] = {&ChangeToProgramModeCmdMsg, &ChangeToRunModeCmdMsg,
                                  &EraseSectorsCmd, &PgmDataCmd};
    if (m != &AllModules)
        for (J1939msg* c : commands)
            c->assignModules(&Display, target);
    J1939msg* const responses[] = {&ChangeModeResponseMsg, &EraseSectorsResponse,
                                   &PgmDataResponseMsg};
    for (J1939msg* r : responses)
        r->assignModules(target, &Display);
}

void J1939moduleManager::notify(NotificationEvent event, Data*) {
    if (event != TimerEvent) return;
    for (J1939controlFunction& c : cf) {
        if (!c.isAssigned()) continue;
        if (c.lifeCount > 0) --c.lifeCount;
        if (c.lifeCount == 0) {
            c.removeFromGUI();
            if (count > 0) --count;
        }
    }
    if (downloadInProgress()) return;
    dummyAddrClaimMsg.issueRequest(Display.address);
    delayedNotify(TimerEvent, ClaimCycleMs);
}
