#pragma once

// The open panels: a modal file dialog for what the window model asks for.

#include "Vantrel/model/OpenPanelRequest.h"

class QWidget;

namespace vantrel {

// Runs one modal file dialog over `parent` (on its own without one): existing
// movie files, or one folder. An empty list means it was cancelled, or the parent
// went away meanwhile.
QList<QUrl> runOpenPanel(const OpenPanelRequest& request, QWidget* parent = nullptr);

}  // namespace vantrel
