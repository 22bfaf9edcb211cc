#pragma once

#include <QString>

class LibraryFolder;
class Settings;

// The look of every chapter page comes from two shared files, chm/style.css and chm/head.js, made
// from the templates model/vbcss.htm and model/vbhead.htm with the reading settings.
namespace DisplaySettings {

// The style sheet: [[BgColor]] becomes the background picture when one is set, else the colour.
QString styleSheetText(const QString& cssTemplate, const Settings& settings);
// The page script: [[ScrollSpeed]] becomes ScrollSpeed × 10.
QString headScriptText(const QString& headTemplate, const Settings& settings);

// Regenerates chm/style.css and chm/head.js; false with the reason in error.
bool applyDisplaySettings(const LibraryFolder& folder, const Settings& settings, QString* error = nullptr);

// "#RRGGBB" as the settings store colours.
QString colorText(int red, int green, int blue);

} // namespace DisplaySettings
