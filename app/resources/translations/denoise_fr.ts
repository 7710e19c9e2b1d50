<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Affichage</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Enregistrer sous...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Traitement par lots...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Taille réelle</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Ajuster</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Zoom avant</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Zoom arrière</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Avant / Après</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Aide en ligne</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>FAQ du produit</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Contacter le service client</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Vos modifications seront perdues si vous ne les enregistrez pas.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Ne pas enregistrer</translation>
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
        <translation>Ou</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Faites glisser vos photos ici</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Av/Ap</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Impossible d'écrire %1 : %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Enregistrer sous</translation>
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
        <translation>Netteté</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Rétablir</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Traitement par lots</translation>
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
        <translation>Netteté</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Ajouter des photos</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Retirer des photos</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Traitement terminé. %1 réussi(s), %2 échoué(s).</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Traitement...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Ne plus afficher</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Ouvrir un fichier</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Enregistrer le fichier</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Noir</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Blanc</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rouge</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Rouge foncé</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Vert</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Vert foncé</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Bleu</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Bleu foncé</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Cyan foncé</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Magenta foncé</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Jaune</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Jaune foncé</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gris</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Gris foncé</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Gris clair</translation>
    </message>
</context>
</TS>
