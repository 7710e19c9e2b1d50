<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>File</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>View</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batch...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Actual Size</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Fit In</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Before / After</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Online Help</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Product FAQ</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Contact Customer Service</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>About</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Your changes will be lost if you don’t save them.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Don't Save</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Or</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Drag your photos here</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>B/A</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>Pix</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Save As</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminance</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Chrominance</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Sharpness</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Restore</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Batch</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminance</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Chrominance</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Sharpness</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Add Photos</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Remove Photos</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Process finished. %1 successed, %2 failed.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Processing...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Don't show again</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Save File</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>White</source>
        <translation>White</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Dark red</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Dark green</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Dark blue</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Dark cyan</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Dark magenta</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Dark yellow</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gray</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Dark gray</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Light gray</translation>
    </message>
</context>
</TS>
