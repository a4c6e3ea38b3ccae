// The About box: the version line and the credits.
#pragma once

#include "sdk/dialog.h"

class MyAboutDialog : public GeDialog {
public:
    bool CreateLayout() override;
};
