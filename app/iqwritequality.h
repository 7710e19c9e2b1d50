#pragma once

class QImageWriter;

// The quality at which the program writes JPEG files, Save As and the batch alike: Qt's default
// (75) would blur away the detail the user just cleaned. PNG and BMP keep the writer's defaults.
constexpr int JpegWriteQuality = 95;

// Sets JpegWriteQuality on a writer whose format is JPEG; any other format is left as it is.
void applyWriteQuality(QImageWriter* writer);
