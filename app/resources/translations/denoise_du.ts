<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Bestand</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Beeld</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Openen</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Opslaan als...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batchverwerking...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Afsluiten</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Werkelijke grootte</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Passend maken</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Inzoomen</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Uitzoomen</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Voor / Na</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Online help</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Veelgestelde vragen</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Contact opnemen met de klantenservice</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Over</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Uw wijzigingen gaan verloren als u ze niet opslaat.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Opslaan</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Annuleren</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Niet opslaan</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importeren</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Of</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Sleep uw foto's hierheen</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>V/N</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Kan %1 niet schrijven: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Opslaan als</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminantie</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Chrominantie</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Scherpte</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Herstellen</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batchverwerking</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminantie</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Chrominantie</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Scherpte</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Foto's toevoegen</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Foto's verwijderen</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Verwerking voltooid. %1 geslaagd, %2 mislukt.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Bezig met verwerken...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Niet meer weergeven</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Sluiten</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Bestand openen</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Bestand opslaan</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Zwart</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Wit</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rood</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Donkerrood</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Groen</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Donkergroen</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blauw</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Donkerblauw</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyaan</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Donkercyaan</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Donkermagenta</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Geel</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Donkergeel</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grijs</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Donkergrijs</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Lichtgrijs</translation>
    </message>
</context>
</TS>
