// Every text the application shows fits the box it is shown in, in every language of the
// string file: each is laid out with its real font in its real box; a text that is cut,
// wider than its box or taller than it fails.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "flashloader/are_you_sure.h"
#include "flashloader/file_search.h"
#include "flashloader/flashloader.h"
#include "flashloader/main_screen.h"
#include "flashloader/module_check.h"
#include "flashloader/module_manager.h"
#include "flashloader/result_messages.h"
#include "flashloader/settings_dialogs.h"
#include "gui/alphabet.h"
#include "gui/font.h"
#include "gui/rect_obj.h"
#include "platform/display.h"
#include "tests/support/screen_compare.h"
#include "text/language.h"
#include "text/parse_string.h"
#include "text/vocabulary.h"
#include "text/xtd_string.h"

namespace {
struct Shown {
    MultiString* text;
    Rect box;
    FontSize size;
};

// The text laid out in lang; empty when it fits, else why not.
std::string misfit(const Shown& s, Language* lang) {
    unsigned char buffer[MultiStringBufferSize];
    StringAndLang laid;
    // The box stands in for the object: layout reads only its rectangle.
    RectObj probe(BBox(s.box.topLeft, s.box.width(), s.box.height()), 0, 0, true, true, false);
    int lines = s.text->nLines(0, lang, &laid, buffer, &probe, s.size, false);
    Alphabet* a = lang->alphabet != nullptr ? lang->alphabet : &Latin;
    Font* font = a->font(s.size);
    if (lines < 1 || font == nullptr) return "no layout";
    if (lines * font->lineHeight() > s.box.height())
        return std::to_string(lines) + " lines, too tall";
    unsigned char* p = buffer[0] == HeaderMarkCode ? buffer + 2 : buffer;
    for (unsigned char* line = p;; ++p) {
        if (*p != 0 && *p != LineBreakCode) {
            if (*p == XtdWideMark) p += 2;
            continue;
        }
        unsigned char saved = *p;
        *p = 0;
        bool cut = false;
        for (const unsigned char* q = line; *q != 0;)
            cut |= xtdGetChar(q) == a->mapChar(0x2026);
        long w = font->getStringWidth(line);
        *p = saved;
        if (cut) return "cut";
        if (w > s.box.width()) return std::to_string(w) + " pixels wide";
        if (saved == 0) break;
        line = p + 1;
    }
    return "";
}

void collect(GraphicalObj* o, std::vector<Shown>& out) {
    if (auto* t = dynamic_cast<StaticTextObj*>(o))
        out.push_back({&t->text, t->getAbsRect(nullptr), t->fontSize});
    if (auto* b = dynamic_cast<TextualButton*>(o)) {
        Rect r = b->getAbsRect(nullptr);
        r = r.shrink(b->border->left, b->border->top, -b->border->right, -b->border->bottom);
        out.push_back({&b->text.text, r, b->text.fontSize});
    }
    if (auto* d = dynamic_cast<Dialog*>(o); d != nullptr && d->title != nullptr) {
        Rect r = d->getAbsRect(nullptr);
        out.push_back({d->title, r.shrink(1), d->titleFont});
    }
    if (Collection* c = o->asCollection())
        for (GraphicalObjListNode* n = c->children.first(); n != nullptr; n = n->next)
            collect(n->obj, out);
}
} // namespace

TEST(TextFitTest, EveryTextFitsItsBoxInEveryLanguage) {
    ASSERT_EQ(chdir(SOURCE_ROOT), 0);
    V.initFromStringFile(0);
    setupCircleArrowObjects();
    mainScreen.init();
    fileSearch.add(&fileSearchMsg);
    std::vector<Shown> shown;
    GraphicalObj* const roots[] = {&mainScreen,
                                   &fileSearch,
                                   &areYouSureDialog,
                                   &flashLoader,
                                   &osfSelection.files[0],
                                   &J1939moduleMgr.cf[0],
                                   VolumeDialog,
                                   BacklightDialog,
                                   ContrastDialog};
    for (GraphicalObj* r : roots)
        collect(r, shown);
    // The check states in their indicator, the results in their dialog.
    Rect state = moduleCheck.addrCheck.getAbsRect(nullptr).shrink(1);
    for (HierListItem* i = moduleCheck.addrCheck.list->root; i != nullptr; i = i->findNext(false))
        shown.push_back({&static_cast<CheckStateItem*>(i)->text.text, state, 1});
    GraphicalObj* const messages[] = {&modeTimeoutMsg,  &eraseTimeoutMsg, &pgmTimeoutMsg,
                                      &runModeErrorMsg, &modeErrorMsg,    &eraseErrorMsg,
                                      &pgmErrorMsg,     &fileErrorMsg};
    for (bool succeeded : {true, false}) {
        resultsDialog.updateMsg(nullptr, succeeded);
        collect(&resultsDialog, shown);
    }
    for (GraphicalObj* m : messages) {
        resultsDialog.updateMsg(m, false);
        collect(&resultsDialog, shown);
    }
    ASSERT_GT(shown.size(), 40u);
    std::string failures;
    for (const char* name : {"English", "Deutsch", "Francais"}) {
        Language* lang = V.languageNamed(name);
        ASSERT_NE(lang, nullptr) << name;
        for (const Shown& s : shown) {
            std::string why = misfit(s, lang);
            if (!why.empty())
                failures += std::string(name) + ": \"" + s.text->key + "\" " + why + "\n";
        }
    }
    EXPECT_EQ(failures, "");
}

// The results dialog with each message, as the string file words them.
TEST(ResultsDialogTest, EachMessageShowsWhole) {
    ASSERT_EQ(chdir(SOURCE_ROOT), 0);
    V.initFromStringFile(0);
    V.setCurrentLanguage(V.languageNamed("English"));
    setPalette(nullptr);
    ResultMessage* const coded[] = {&modeErrorMsg, &eraseErrorMsg, &pgmErrorMsg};
    for (ResultMessage* m : coded) {
        m->errorCode = 7;
        m->value = 0x1F40;
    }
    fileErrorMsg.set(12, OsfFault::BadChecksum);
    struct Case {
        GraphicalObj* message;
        bool succeeded;
        const char* reference;
    };
    const Case cases[] = {
        {nullptr, true, "results_succeeded"},
        {&runModeErrorMsg, true, "results_run_mode_error"},
        {&modeTimeoutMsg, false, "results_mode_timeout"},
        {&modeErrorMsg, false, "results_mode_error"},
        {&eraseTimeoutMsg, false, "results_erase_timeout"},
        {&eraseErrorMsg, false, "results_erase_error"},
        {&pgmTimeoutMsg, false, "results_pgm_timeout"},
        {&pgmErrorMsg, false, "results_pgm_error"},
        {&fileErrorMsg, false, "results_file_error"},
    };
    for (const Case& c : cases) {
        blankFrameBuffer();
        resultsDialog.updateMsg(c.message, c.succeeded);
        resultsDialog.popup(At(-1, -1), nullptr, true);
        EXPECT_TRUE(screenMatchesReference(c.reference));
        resultsDialog.asyncDefocus(ESC);
    }
}
