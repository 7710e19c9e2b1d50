// Process-wide set-up of the application: the objects made before main() runs, the choice and
// installation of the user-interface translation, the dark stylesheet with its palette, and the
// product's identity values.
#pragma once

#include <QLocale>
#include <QString>

class QTranslator;

// The static initialiser, run once before main(): registers the compiled-in resource trees
// (translations, stylesheet and its images), creates the global translator and registers the
// camera-RAW image-format plugin as a static Qt plugin. Calling it again does nothing.
void initApplicationStatics();

// The one global translator: created before main(), never deleted, installed into the
// application only when a translation file loaded into it.
QTranslator* globalTranslator();

// The language of the default (system) locale.
QLocale::Language systemLanguage();

// The file suffix of the translation for a language: "_de", "_fr", ...; "_en" for English and for
// every language without a translation of its own.
QString translationSuffix(QLocale::Language language);

// Loads ":/qm/denoise" + the suffix of the system language into the global translator and
// installs it when the load succeeds; otherwise every text shows its key.
void installTranslator();

// Applies ":/qss/psblack.css" as the application stylesheet and takes the application palette
// from the colour at characters 20 to 26 of it. Changes nothing when the sheet cannot be opened.
void loadStyleSheet();

// "Vorlach Denoise"; logs "name->" followed by the name.
QString productDisplayName();

// The plain-text copyright line that ends the About box.
QString copyrightText();

// Identity of this product among its maker's programs (the Help-link holder is made with them).
int productIndex();
int productChannel();
