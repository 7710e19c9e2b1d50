<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="da" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Filer</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Vis</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Hjælp</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Åbn</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Gem som...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batchbehandling...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Afslut</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Faktisk størrelse</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Tilpas</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Zoom ind</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Zoom ud</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Før / Efter</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Onlinehjælp</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Ofte stillede spørgsmål</translation>
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
        <translation>Dine ændringer går tabt, hvis du ikke gemmer dem.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Gem</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Annuller</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Gem ikke</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importér</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Eller</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Træk dine fotos hertil</translation>
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
        <translation>Gem som</translation>
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
        <translation>Skarphed</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Gendan</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batchbehandling</translation>
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
        <translation>Skarphed</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Tilføj fotos</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Fjern fotos</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Behandlingen er færdig. %1 lykkedes, %2 mislykkedes.</translation>
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
        <translation>Vis ikke igen</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Luk</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Åbn fil</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Gem fil</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Sort</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Hvid</translation>
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
        <translation>Grøn</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Mørkegrøn</translation>
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
