<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="el" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Αρχείο</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Προβολή</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Βοήθεια</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Άνοιγμα</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Αποθήκευση ως...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Μαζική επεξεργασία...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Έξοδος</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Πραγματικό μέγεθος</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Προσαρμογή</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Μεγέθυνση</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Σμίκρυνση</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Πριν / Μετά</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Ηλεκτρονική βοήθεια</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Συχνές ερωτήσεις για το προϊόν</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Επικοινωνία με την εξυπηρέτηση πελατών</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Πληροφορίες</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Οι αλλαγές σας θα χαθούν αν δεν τις αποθηκεύσετε.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Αποθήκευση</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Άκυρο</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Χωρίς αποθήκευση</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Εισαγωγή</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Ή</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Σύρετε τις φωτογραφίες σας εδώ</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Π/Μ</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>εικονοστ.</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Δεν είναι δυνατή η εγγραφή του %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Αποθήκευση ως</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Φωτεινότητα</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Χρωματικότητα</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Ευκρίνεια</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Επαναφορά</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Μαζική επεξεργασία</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Φωτεινότητα</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Χρωματικότητα</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Ευκρίνεια</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Προσθήκη φωτογραφιών</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Αφαίρεση φωτογραφιών</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Έναρξη</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Η επεξεργασία ολοκληρώθηκε. %1 επιτυχίες, %2 αποτυχίες.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Επεξεργασία...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Να μην εμφανιστεί ξανά</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Κλείσιμο</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Άνοιγμα αρχείου</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Αποθήκευση αρχείου</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Μαύρο</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Λευκό</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Κόκκινο</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Σκούρο κόκκινο</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Πράσινο</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Σκούρο πράσινο</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Μπλε</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Σκούρο μπλε</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Κυανό</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Σκούρο κυανό</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Ματζέντα</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Σκούρο ματζέντα</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Κίτρινο</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Σκούρο κίτρινο</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Γκρι</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Σκούρο γκρι</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Ανοιχτό γκρι</translation>
    </message>
</context>
</TS>
