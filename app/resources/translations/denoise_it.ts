<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>File</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Visualizza</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Guida</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Apri</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Salva con nome...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Elaborazione in batch...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Dimensioni reali</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Adatta</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Ingrandisci</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Riduci</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Prima / Dopo</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Guida in linea</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Domande frequenti sul prodotto</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Contatta l'assistenza clienti</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Informazioni</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Le modifiche andranno perse se non le salvi.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Salva</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Non salvare</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importa</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Oppure</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Trascina qui le tue foto</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>P/D</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Impossibile scrivere %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Salva con nome</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminanza</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Crominanza</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Nitidezza</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Ripristina</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Elaborazione in batch</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminanza</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Crominanza</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Nitidezza</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Aggiungi foto</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Rimuovi foto</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Avvia</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Elaborazione completata. %1 riuscite, %2 non riuscite.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Elaborazione in corso...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Non mostrare più</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Chiudi</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Apri file</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Salva file</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Nero</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Bianco</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rosso</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Rosso scuro</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Verde</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Verde scuro</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blu</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Blu scuro</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Ciano</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Ciano scuro</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Magenta scuro</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Giallo</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Giallo scuro</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grigio</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Grigio scuro</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Grigio chiaro</translation>
    </message>
</context>
</TS>
