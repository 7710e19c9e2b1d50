<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sv" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Arkiv</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Visa</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Hjälp</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Öppna</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Spara som...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batchbearbetning...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Avsluta</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Verklig storlek</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Anpassa</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Zooma in</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Zooma ut</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Före / Efter</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Onlinehjälp</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Vanliga frågor om produkten</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Kontakta kundtjänst</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Om</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Dina ändringar går förlorade om du inte sparar dem.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Spara</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Avbryt</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Spara inte</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importera</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Eller</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Dra dina foton hit</translation>
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
        <translation>Det går inte att skriva %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Spara som</translation>
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
        <translation>Skärpa</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Återställ</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batchbearbetning</translation>
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
        <translation>Skärpa</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Lägg till foton</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Ta bort foton</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Starta</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Bearbetningen är klar. %1 lyckades, %2 misslyckades.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Bearbetar...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Visa inte igen</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Stäng</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Öppna fil</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Spara fil</translation>
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
        <translation>Vit</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Röd</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Mörkröd</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grön</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Mörkgrön</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blå</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Mörkblå</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Mörk cyan</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Mörk magenta</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gul</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Mörkgul</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grå</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Mörkgrå</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Ljusgrå</translation>
    </message>
</context>
</TS>
