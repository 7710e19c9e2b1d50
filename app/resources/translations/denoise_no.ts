<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nb" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Fil</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Vis</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Hjelp</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Åpne</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Lagre som...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Satsvis behandling...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Avslutt</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Faktisk størrelse</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Tilpass</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Zoom inn</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Zoom ut</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Før / Etter</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Hjelp på nettet</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Vanlige spørsmål om produktet</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Kontakt kundeservice</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Om</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Endringene dine går tapt hvis du ikke lagrer dem.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Lagre</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Avbryt</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Ikke lagre</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importer</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Eller</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Dra bildene dine hit</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>F/E</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Kan ikke skrive %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Lagre som</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminans</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Krominans</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Skarphet</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Tilbakestill</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Satsvis behandling</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminans</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Krominans</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Skarphet</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Legg til bilder</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Fjern bilder</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Behandlingen er ferdig. %1 vellykket, %2 mislyktes.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Behandler...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Ikke vis igjen</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Lukk</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Åpne fil</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Lagre fil</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Svart</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Hvit</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rød</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Mørkerød</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grønn</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Mørkegrønn</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blå</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Mørkeblå</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Mørk cyan</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Mørk magenta</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gul</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Mørkegul</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grå</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Mørkegrå</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Lysegrå</translation>
    </message>
</context>
</TS>
