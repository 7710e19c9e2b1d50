<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Speichern unter...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Stapelverarbeitung...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Vorher / Nachher</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Online-Hilfe</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Häufige Fragen zum Produkt</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Kundendienst kontaktieren</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Ihre Änderungen gehen verloren, wenn Sie sie nicht speichern.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Nicht speichern</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Oder</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Fotos hierher ziehen</translation>
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
        <translation>Pixel</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Speichern unter</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminanz</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Chrominanz</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Schärfe</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Zurücksetzen</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Stapelverarbeitung</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminanz</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Chrominanz</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Schärfe</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Fotos hinzufügen</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Fotos entfernen</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Verarbeitung abgeschlossen. %1 erfolgreich, %2 fehlgeschlagen.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Wird verarbeitet...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Nicht mehr anzeigen</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Datei speichern</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Dunkelrot</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grün</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Dunkelgrün</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Dunkelblau</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Dunkelcyan</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Dunkelmagenta</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gelb</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Dunkelgelb</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grau</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Dunkelgrau</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Hellgrau</translation>
    </message>
</context>
</TS>
