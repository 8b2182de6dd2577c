// Default behaviour of template expanders: placeholders expand to nothing.
#include "text/template_expander.h"

int TemplateExpander::expand(Language*, unsigned char, unsigned char*& out, unsigned long, double) {
    if (out != nullptr) *out = 0;
    return ExpandedText;
}

StringArgs TemplateExpander::getMsgTemplate(unsigned char& form, unsigned char, unsigned long) {
    form = 0;
    return StringArgs();
}
