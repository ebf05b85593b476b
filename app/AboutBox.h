#pragma once

// The About box: the program's and the device library's versions, Qt's, and
// the licence.

class ConfigModel;
class QWidget;
class UiServices;

void showAboutBox(QWidget* parent, UiServices& ui, const ConfigModel& model);
