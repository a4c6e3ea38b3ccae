#include "plugin/about.h"

#include "core/version.h"
#include "plugin/commands.h"

namespace {
constexpr int32_t kVersionText = 177162;
constexpr int32_t kCreditText = 177163;
constexpr int32_t kWidth = 500;
}  // namespace

bool ShowAbout::Execute(HostDocument* /*document*/) {
    MyAboutDialog dialog;
    return dialog.Open(0, 0, -1, -1, 0, 0, 0);
}

bool MyAboutDialog::CreateLayout() {
    auto line = [this](int32_t id, const char* text) { AddStaticText(id, 0, kWidth, 10, text, 0); };
    SetTitle("About");
    line(kVersionText, kVersionLine);
    line(kCreditText, "Developed by the Vexlor team");
    AddSeparatorH(kWidth);
    line(kCreditText, "Icons drawn by the Vexlor team");
    line(kCreditText, "after a plain pixel icon set of our own");
    AddSeparatorH(kWidth);
    for (const char* text : {"Special thanks to:", "the renderer's authors,", "the first testers,",
                             "everyone who sent example scenes,", "the people who wrote the manuals,",
                             "and anyone who uses this plugin,", "who reported bugs", "and to anyone i forgot!"}) {
        line(kCreditText, text);
    }
    return true;
}
