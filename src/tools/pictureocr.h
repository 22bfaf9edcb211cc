#pragma once

#include <QString>

#include <memory>

namespace tesseract {
class TessBaseAPI;
}

// Text recognised in a chapter's pictures, by tesseract with its Chinese data. Made once per job: the
// language data is loaded when it is made.
class PictureOcr {
public:
    // language: "chi_sim" or "chi_tra".
    explicit PictureOcr(const QString& language);
    ~PictureOcr();
    PictureOcr(const PictureOcr&) = delete;
    PictureOcr& operator=(const PictureOcr&) = delete;

    // "chi_tra" for a library shown in Big5, else "chi_sim".
    static QString languageFor(const QString& displayCharset);

    // Empty when recognition can run; else the message for the user, naming the package that brings
    // the missing language data (tesseract-ocr-chi-sim, tesseract-ocr-chi-tra).
    QString error() const { return m_error; }

    // The text of the picture file, trimmed, lines kept, blanks between two Chinese characters dropped
    // (the engine puts one between every pair). "" with error set when the file cannot be read.
    QString recognise(const QString& path, QString* error = nullptr);

private:
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    QString m_error;
};
