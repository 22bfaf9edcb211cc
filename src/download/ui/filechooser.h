#pragma once

#include <QString>

#include <functional>

class QWidget;

// The file dialogs of the download windows, answerable by tests the way message boxes are.
namespace FileChooser {

enum class Mode { Open, Save };

// A scripted answer: receives the mode, caption and proposed name, returns the chosen path ("" for cancel).
using Handler = std::function<QString(Mode, const QString& caption, const QString& proposed)>;
void setHandler(Handler handler);

// filter in Qt's form ("所有图片 (*.gif *.jpg)").
QString openFile(QWidget* parent, const QString& caption, const QString& filter, const QString& folder = {});
QString saveFile(QWidget* parent, const QString& caption, const QString& filter, const QString& proposed);

} // namespace FileChooser
