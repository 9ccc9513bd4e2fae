#pragma once

#include "mainwin/InputSteps.h"
#include "platform/SettingsStore.h"

#include <QSize>

#include <cstdint>
#include <functional>

// A window's place on the screen as the store keeps it.
struct TPlacement {
    int32_t left = 0;
    int32_t width = 0;
    int32_t top = 0;
    int32_t height = 0;
};

// Writes the nine field texts and the placement of the main window (its
// position only when the store's SavePositions is set), unless the store's
// SaveEnabled is cleared or the key cannot be created.
void SaveMainSettings(const TSettingsStore &store, const clInputFields &fields,
                      const TPlacement &placement);

// Restores the main window: the placement (handed to place when the window,
// never smaller than minimum, fits on screen), then the cells, then the
// margins only when a cell stayed empty, through the field steps on table
// with busy set for the whole load.
void LoadMainSettings(const TSettingsKey &key, clInputFields &fields, TInputTable &table,
                      bool &busy, const QSize &screen, const QSize &minimum,
                      const std::function<void(const TPlacement &)> &place);
