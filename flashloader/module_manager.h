// The modules present on the bus: one entry per control function that claimed an address,
// shown as an item of the module list, with the versions it reported. The manager asks the
// bus for claims every two seconds, drops modules that stop answering, and selects the one
// module being programmed, which aims the flash-loader commands at it.
#pragma once

#include "core/notifiable.h"
#include "data/data.h"
#include "flashloader/sw_ver_info.h"
#include "gui/hier_list_item.h"
#include "gui/text_data_display.h"
#include "gui/text_obj.h"
#include "j1939/j1939_module.h"

// Item layout (pixels, relative to the item).
constexpr long height_ModDetailDisplay = 55;
constexpr long border_ModDetailDisplay = 6;
constexpr long width_ModDetailDisplay = 237;
constexpr long height_lineModDetailTitle = 10;
constexpr long height_lineModDetailItems = 15;
constexpr long width_ModNAME = 225;
constexpr long width_swNum = 54;
constexpr long width_ver = 54;
constexpr long width_gap = 4;
constexpr long xpos_ver = 58;
constexpr long width_ModDetailLabels = 67;
constexpr long xpos_detailLabel = 112;
constexpr long width_ModDetails = 48;
constexpr long xpos_details = 180;

constexpr int MaxControlFunctions = 45;
// Claim rounds a module may miss before it is dropped.
constexpr unsigned char CfLifeRounds = 2;
constexpr uint32_t ClaimCycleMs = 2000;
constexpr uint32_t ClaimCycleRestartMs = 1000;
// addressData of an entry that is not in the list.
constexpr double CfFreeAddress = 256;
constexpr int CfTextCapacity = 100;

class J1939controlFunction : public HierListItem {
public:
    J1939module module;
    unsigned char lifeCount = 0;
    StaticTextObj addressLabel, idLabel, functionLabel;
    Data appSwNum, paramSwNum;
    TextData nameText, appVerText, paramVerText;
    Data addressData, identityData, functionData;
    SwVerInfo swVer[SwVerSlots];
    // What the item shows of them (after the data, which they register with).
    TextDataDisplay nameDisplay, appSwNumDisplay, appVerDisplay, paramSwNumDisplay, paramVerDisplay,
        addressDisplay, identityDisplay, functionDisplay;

    J1939controlFunction();
    bool isAssigned() { return addressData.getValue() <= 255; }
    void initSwVer();
    bool noSwVersions() const;
    // Shows the module's address, NAME and versions; a free entry joins the list unless
    // onlyIfAssigned.
    void updateGUI(bool onlyIfAssigned);
    void removeFromGUI();
};

class J1939moduleManager : public J1939AddrClaimHandler, public Notifiable {
public:
    J1939module* target = &AllModules;
    unsigned char count = 0;
    J1939controlFunction cf[MaxControlFunctions];

    J1939moduleManager() : J1939AddrClaimHandler(true) {}
    void initCom();
    void moduleClaimedAddr(J1939module* m) override;
    void unknownModuleClaimedAddr(unsigned char address, J1939NAME* name) override;
    void addOrModifyCf(unsigned char address, const J1939NAME& name);
    int findModuleInList(const J1939NAME& name);
    int findFirstUnassigned();
    // Asks the next entry without versions, going round from the one asked last.
    void getNextModule();
    // The entry c is being asked now.
    void asking(const J1939controlFunction* c);
    void selectTargetCf(J1939module* m);
    void deselectTargetCf() { selectTargetCf(&AllModules); }
    bool downloadInProgress() const { return target != &AllModules; }
    void notify(NotificationEvent event, Data* data) override;

private:
    int lastAsked = MaxControlFunctions - 1;
    // Takes a claim into entry i (new when it was free).
    void claimInto(int i, unsigned char address, const J1939NAME& name, bool isNew);
};

extern J1939moduleManager J1939moduleMgr;
