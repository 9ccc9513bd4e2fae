#pragma once

#include "platform/SettingsStore.h"

class QWidget;

namespace Ui {
class FormGraph;
}

// The extent by which a stored window size exceeds the client area it restores.
constexpr int FormGFrameWidth = 8;
constexpr int FormGFrameHeight = 27;
// The tool bar along the bottom of the chart window.
constexpr int FormGToolBarHeight = 34;

// The option-state rows: the swatches that follow "P(a)", the choices that follow
// "Кр.обл.", and all three rows as the colouring item and the two boxes give them.
void EnableBarControls(Ui::FormGraph &ui, bool on);
void EnableRegionControls(Ui::FormGraph &ui, bool on);
void ApplyOptionStates(Ui::FormGraph &ui);

// The chart window's stored placement, options and swatch colours. Every option
// the load changes runs its control's handler.
void LoadGraphSettings(const TSettingsStore &store, QWidget &window, Ui::FormGraph &ui);
void SaveGraphSettings(const TSettingsStore &store, const QWidget &window, const Ui::FormGraph &ui);
