#pragma once

#include "app/HeadlessMainView.h"
#include "app/Session.h"

// The headless main window, counting the selection events a user's choice would raise.
class FakeMainView : public HeadlessMainView {
public:
    int selectionEvents = 0;

    void selectProjectLine(int index) override
    {
        if (index != projectSelection)
            ++selectionEvents;
        HeadlessMainView::selectProjectLine(index);
    }
};
