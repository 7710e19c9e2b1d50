#!/usr/bin/env python3
"""Writes the sixteen Qt Linguist sources denoise_XX.ts of the user interface.

Every visible text of the program is a tr() key ("IDS_FILE") or a short English text ("Open File")
in the context of the class that shows it. CATALOGUE lists each (context, source, English) triple;
TRANSLATIONS maps each English text to its wording in every language. The build compiles the .ts
files with lrelease and embeds them under ":/qm/". Run this script after changing either table:

    python3 app/resources/translations/generate.py
"""

import os
import re
import sys
from xml.sax.saxutils import escape

# (context, source text passed to tr(), English text)
CATALOGUE = [
    ("MainWindow", "IDS_FILE", "File"),
    ("MainWindow", "IDS_VIEW", "View"),
    ("MainWindow", "IDS_HELP", "Help"),
    ("MainWindow", "IDS_OPEN", "Open"),
    ("MainWindow", "IDS_SAVEAS", "Save As..."),
    ("MainWindow", "IDS_BATCH", "Batch..."),
    ("MainWindow", "E&xit", "Quit"),
    ("MainWindow", "IDS_MENU_ACTUALSIZE", "Actual Size"),
    ("MainWindow", "IDS_MENU_FITIN", "Fit In"),
    ("MainWindow", "IDS_MENU_ZOOMIN", "Zoom In"),
    ("MainWindow", "IDS_MENU_ZOOMOUT", "Zoom Out"),
    ("MainWindow", "IDS_BEFORE_AFTER", "Before / After"),
    ("MainWindow", "IDS_MENU_ONLINE_HELP", "Online Help"),
    ("MainWindow", "IDS_MENU_FAQ", "Product FAQ"),
    ("MainWindow", "IDS_MENU_CCS", "Contact Customer Service"),
    ("MainWindow", "IDS_ABOUT", "About"),
    ("MainWindow", "IDS_SAVE_PROMPT", "Your changes will be lost if you don\u2019t save them."),
    ("MainWindow", "IDS_SAVE", "Save"),
    ("MainWindow", "IDS_CANCEL", "Cancel"),
    ("MainWindow", "IDS_DONT_SAVE", "Don't Save"),
    ("IQWizardFrame", "IDS_IMPORT", "Import"),
    ("IQWizardFrame", "IDS_OR", "Or"),
    ("IQWizardFrame", "IDS_DARGDROP", "Drag your photos here"),
    ("IQEditingFrame", "IDS_BEFORE_AFTER", "B/A"),
    ("IQEditingFrame", "IDS_PIX", "Pix"),
    ("IQEditingFrame", "Cannot write %1: %2", "Cannot write %1: %2"),
    ("IQAdjustingFrame", "IDS_SAVE", "Save As"),
    ("IQDenoiseProcessFrame", "IDS_LUMINANCE", "Luminance"),
    ("IQDenoiseProcessFrame", "IDS_CHROMINANCE", "Chrominance"),
    ("IQDenoiseProcessFrame", "IDS_SHARPNESS", "Sharpness"),
    ("IQDenoiseProcessFrame", "IDS_RESTORE", "Restore"),
    ("IQBatchDenoiseDialog", "IDS_BATCH", "Batch"),
    ("IQBatchDenoiseFrame", "IDS_LUMINANCE", "Luminance"),
    ("IQBatchDenoiseFrame", "IDS_CHROMINANCE", "Chrominance"),
    ("IQBatchDenoiseFrame", "IDS_SHARPNESS", "Sharpness"),
    ("IQBatchDenoiseFrame", "IDS_ADD_PHOTOS", "Add Photos"),
    ("IQBatchDenoiseFrame", "IDS_REMOVE_PHOTOS", "Remove Photos"),
    ("IQBatchDenoiseFrame", "IDS_START", "Start"),
    ("IQBatchDenoiseFrame", "IDS_BATCH_FINISHED", "Process finished. %1 successed, %2 failed."),
    ("IQBatchDenoiseFrame", "IDS_PROCESSING", "Processing..."),
    ("IQGuideDialog", "IDS_AC_DONTSHOWAGAIN", "Don't show again"),
    ("IQGuideDialog", "IDS_AC_CLOSE", "Close"),
    ("QObject", "Open File", "Open File"),
    ("QObject", "Save File", "Save File"),
    # The colour picker's standard colours (widgets/qtcolorpicker.cpp).
    ("QtColorPicker", "Black", "Black"),
    ("QtColorPicker", "White", "White"),
    ("QtColorPicker", "Red", "Red"),
    ("QtColorPicker", "Dark red", "Dark red"),
    ("QtColorPicker", "Green", "Green"),
    ("QtColorPicker", "Dark green", "Dark green"),
    ("QtColorPicker", "Blue", "Blue"),
    ("QtColorPicker", "Dark blue", "Dark blue"),
    ("QtColorPicker", "Cyan", "Cyan"),
    ("QtColorPicker", "Dark cyan", "Dark cyan"),
    ("QtColorPicker", "Magenta", "Magenta"),
    ("QtColorPicker", "Dark magenta", "Dark magenta"),
    ("QtColorPicker", "Yellow", "Yellow"),
    ("QtColorPicker", "Dark yellow", "Dark yellow"),
    ("QtColorPicker", "Gray", "Gray"),
    ("QtColorPicker", "Dark gray", "Dark gray"),
    ("QtColorPicker", "Light gray", "Light gray"),
]

# File suffix -> the language tag written into the .ts file.
LANGUAGES = {
    "ae": "ar",
    "cn": "zh_TW",
    "da": "da",
    "de": "de",
    "du": "nl",
    "en": "en",
    "fr": "fr",
    "gr": "el",
    "it": "it",
    "jp": "ja",
    "no": "nb",
    "pr": "pt",
    "ru": "ru",
    "sp": "es",
    "sw": "sv",
    "tk": "tr",
}

# English text -> {suffix: translation}. English itself comes from CATALOGUE.
TRANSLATIONS = {
    "File": {
        "ae": "ملف", "cn": "檔案", "da": "Filer", "de": "Datei", "du": "Bestand",
        "fr": "Fichier", "gr": "Αρχείο", "it": "File", "jp": "ファイル", "no": "Fil",
        "pr": "Arquivo", "ru": "Файл", "sp": "Archivo", "sw": "Arkiv", "tk": "Dosya",
    },
    "View": {
        "ae": "عرض", "cn": "檢視", "da": "Vis", "de": "Ansicht", "du": "Beeld",
        "fr": "Affichage", "gr": "Προβολή", "it": "Visualizza", "jp": "表示", "no": "Vis",
        "pr": "Exibir", "ru": "Вид", "sp": "Ver", "sw": "Visa", "tk": "Görünüm",
    },
    "Help": {
        "ae": "تعليمات", "cn": "說明", "da": "Hjælp", "de": "Hilfe", "du": "Help",
        "fr": "Aide", "gr": "Βοήθεια", "it": "Guida", "jp": "ヘルプ", "no": "Hjelp",
        "pr": "Ajuda", "ru": "Справка", "sp": "Ayuda", "sw": "Hjälp", "tk": "Yardım",
    },
    "Open": {
        "ae": "فتح", "cn": "開啟", "da": "Åbn", "de": "Öffnen", "du": "Openen",
        "fr": "Ouvrir", "gr": "Άνοιγμα", "it": "Apri", "jp": "開く", "no": "Åpne",
        "pr": "Abrir", "ru": "Открыть", "sp": "Abrir", "sw": "Öppna", "tk": "Aç",
    },
    "Save As...": {
        "ae": "حفظ باسم...", "cn": "另存新檔...", "da": "Gem som...", "de": "Speichern unter...",
        "du": "Opslaan als...", "fr": "Enregistrer sous...", "gr": "Αποθήκευση ως...",
        "it": "Salva con nome...", "jp": "名前を付けて保存...", "no": "Lagre som...",
        "pr": "Salvar como...", "ru": "Сохранить как...", "sp": "Guardar como...",
        "sw": "Spara som...", "tk": "Farklı Kaydet...",
    },
    "Batch...": {
        "ae": "معالجة دفعية...", "cn": "批次處理...", "da": "Batchbehandling...",
        "de": "Stapelverarbeitung...", "du": "Batchverwerking...",
        "fr": "Traitement par lots...", "gr": "Μαζική επεξεργασία...",
        "it": "Elaborazione in batch...", "jp": "一括処理...", "no": "Satsvis behandling...",
        "pr": "Processamento em lote...", "ru": "Пакетная обработка...",
        "sp": "Procesamiento por lotes...", "sw": "Batchbearbetning...", "tk": "Toplu İşlem...",
    },
    "Quit": {
        "ae": "خروج", "cn": "結束", "da": "Afslut", "de": "Beenden", "du": "Afsluiten",
        "fr": "Quitter", "gr": "Έξοδος", "it": "Esci", "jp": "終了", "no": "Avslutt",
        "pr": "Sair", "ru": "Выход", "sp": "Salir", "sw": "Avsluta", "tk": "Çıkış",
    },
    "Actual Size": {
        "ae": "الحجم الفعلي", "cn": "實際大小", "da": "Faktisk størrelse", "de": "Originalgröße",
        "du": "Werkelijke grootte", "fr": "Taille réelle", "gr": "Πραγματικό μέγεθος",
        "it": "Dimensioni reali", "jp": "実際のサイズ", "no": "Faktisk størrelse",
        "pr": "Tamanho real", "ru": "Реальный размер", "sp": "Tamaño real",
        "sw": "Verklig storlek", "tk": "Gerçek Boyut",
    },
    "Fit In": {
        "ae": "ملاءمة", "cn": "符合視窗", "da": "Tilpas", "de": "Einpassen",
        "du": "Passend maken", "fr": "Ajuster", "gr": "Προσαρμογή", "it": "Adatta",
        "jp": "ウィンドウに合わせる", "no": "Tilpass", "pr": "Ajustar",
        "ru": "По размеру окна", "sp": "Ajustar", "sw": "Anpassa", "tk": "Sığdır",
    },
    "Zoom In": {
        "ae": "تكبير", "cn": "放大", "da": "Zoom ind", "de": "Vergrößern", "du": "Inzoomen",
        "fr": "Zoom avant", "gr": "Μεγέθυνση", "it": "Ingrandisci", "jp": "拡大",
        "no": "Zoom inn", "pr": "Ampliar", "ru": "Увеличить", "sp": "Acercar",
        "sw": "Zooma in", "tk": "Yakınlaştır",
    },
    "Zoom Out": {
        "ae": "تصغير", "cn": "縮小", "da": "Zoom ud", "de": "Verkleinern", "du": "Uitzoomen",
        "fr": "Zoom arrière", "gr": "Σμίκρυνση", "it": "Riduci", "jp": "縮小",
        "no": "Zoom ut", "pr": "Reduzir", "ru": "Уменьшить", "sp": "Alejar",
        "sw": "Zooma ut", "tk": "Uzaklaştır",
    },
    "Before / After": {
        "ae": "قبل / بعد", "cn": "處理前 / 處理後", "da": "Før / Efter", "de": "Vorher / Nachher",
        "du": "Voor / Na", "fr": "Avant / Après", "gr": "Πριν / Μετά", "it": "Prima / Dopo",
        "jp": "処理前 / 処理後", "no": "Før / Etter", "pr": "Antes / Depois",
        "ru": "До / После", "sp": "Antes / Después", "sw": "Före / Efter", "tk": "Önce / Sonra",
    },
    "Online Help": {
        "ae": "التعليمات عبر الإنترنت", "cn": "線上說明", "da": "Onlinehjælp",
        "de": "Online-Hilfe", "du": "Online help", "fr": "Aide en ligne",
        "gr": "Ηλεκτρονική βοήθεια", "it": "Guida in linea", "jp": "オンラインヘルプ",
        "no": "Hjelp på nettet", "pr": "Ajuda online", "ru": "Справка в Интернете",
        "sp": "Ayuda en línea", "sw": "Onlinehjälp", "tk": "Çevrimiçi Yardım",
    },
    "Product FAQ": {
        "ae": "الأسئلة الشائعة حول المنتج", "cn": "產品常見問題", "da": "Ofte stillede spørgsmål",
        "de": "Häufige Fragen zum Produkt", "du": "Veelgestelde vragen",
        "fr": "FAQ du produit", "gr": "Συχνές ερωτήσεις για το προϊόν",
        "it": "Domande frequenti sul prodotto", "jp": "製品のよくある質問",
        "no": "Vanlige spørsmål om produktet", "pr": "Perguntas frequentes sobre o produto",
        "ru": "Часто задаваемые вопросы", "sp": "Preguntas frecuentes del producto",
        "sw": "Vanliga frågor om produkten", "tk": "Ürün SSS",
    },
    "Contact Customer Service": {
        "ae": "الاتصال بخدمة العملاء", "cn": "聯絡客服", "da": "Kontakt kundeservice",
        "de": "Kundendienst kontaktieren", "du": "Contact opnemen met de klantenservice",
        "fr": "Contacter le service client", "gr": "Επικοινωνία με την εξυπηρέτηση πελατών",
        "it": "Contatta l'assistenza clienti", "jp": "カスタマーサービスへのお問い合わせ",
        "no": "Kontakt kundeservice", "pr": "Contatar o atendimento ao cliente",
        "ru": "Связаться со службой поддержки", "sp": "Contactar con atención al cliente",
        "sw": "Kontakta kundtjänst", "tk": "Müşteri Hizmetleriyle İletişim",
    },
    "About": {
        "ae": "حول", "cn": "關於", "da": "Om", "de": "Über", "du": "Over",
        "fr": "À propos", "gr": "Πληροφορίες", "it": "Informazioni", "jp": "バージョン情報",
        "no": "Om", "pr": "Sobre", "ru": "О программе", "sp": "Acerca de", "sw": "Om",
        "tk": "Hakkında",
    },
    "Your changes will be lost if you don\u2019t save them.": {
        "ae": "ستفقد تغييراتك إذا لم تحفظها.",
        "cn": "若不儲存，您所做的變更將會遺失。",
        "da": "Dine ændringer går tabt, hvis du ikke gemmer dem.",
        "de": "Ihre Änderungen gehen verloren, wenn Sie sie nicht speichern.",
        "du": "Uw wijzigingen gaan verloren als u ze niet opslaat.",
        "fr": "Vos modifications seront perdues si vous ne les enregistrez pas.",
        "gr": "Οι αλλαγές σας θα χαθούν αν δεν τις αποθηκεύσετε.",
        "it": "Le modifiche andranno perse se non le salvi.",
        "jp": "保存しないと、変更内容は失われます。",
        "no": "Endringene dine går tapt hvis du ikke lagrer dem.",
        "pr": "Suas alterações serão perdidas se você não salvá-las.",
        "ru": "Если не сохранить изменения, они будут потеряны.",
        "sp": "Si no guarda los cambios, se perderán.",
        "sw": "Dina ändringar går förlorade om du inte sparar dem.",
        "tk": "Kaydetmezseniz değişiklikleriniz kaybolacak.",
    },
    "Save": {
        "ae": "حفظ", "cn": "儲存", "da": "Gem", "de": "Speichern", "du": "Opslaan",
        "fr": "Enregistrer", "gr": "Αποθήκευση", "it": "Salva", "jp": "保存", "no": "Lagre",
        "pr": "Salvar", "ru": "Сохранить", "sp": "Guardar", "sw": "Spara", "tk": "Kaydet",
    },
    "Cancel": {
        "ae": "إلغاء", "cn": "取消", "da": "Annuller", "de": "Abbrechen", "du": "Annuleren",
        "fr": "Annuler", "gr": "Άκυρο", "it": "Annulla", "jp": "キャンセル", "no": "Avbryt",
        "pr": "Cancelar", "ru": "Отмена", "sp": "Cancelar", "sw": "Avbryt", "tk": "İptal",
    },
    "Don't Save": {
        "ae": "عدم الحفظ", "cn": "不儲存", "da": "Gem ikke", "de": "Nicht speichern",
        "du": "Niet opslaan", "fr": "Ne pas enregistrer", "gr": "Χωρίς αποθήκευση",
        "it": "Non salvare", "jp": "保存しない", "no": "Ikke lagre", "pr": "Não salvar",
        "ru": "Не сохранять", "sp": "No guardar", "sw": "Spara inte", "tk": "Kaydetme",
    },
    "Import": {
        "ae": "استيراد", "cn": "匯入", "da": "Importér", "de": "Importieren",
        "du": "Importeren", "fr": "Importer", "gr": "Εισαγωγή", "it": "Importa",
        "jp": "インポート", "no": "Importer", "pr": "Importar", "ru": "Импорт",
        "sp": "Importar", "sw": "Importera", "tk": "İçe Aktar",
    },
    "Or": {
        "ae": "أو", "cn": "或", "da": "Eller", "de": "Oder", "du": "Of", "fr": "Ou",
        "gr": "Ή", "it": "Oppure", "jp": "または", "no": "Eller", "pr": "Ou", "ru": "Или",
        "sp": "O", "sw": "Eller", "tk": "Veya",
    },
    "Drag your photos here": {
        "ae": "اسحب صورك إلى هنا", "cn": "將相片拖曳到這裡", "da": "Træk dine fotos hertil",
        "de": "Fotos hierher ziehen", "du": "Sleep uw foto's hierheen",
        "fr": "Faites glisser vos photos ici", "gr": "Σύρετε τις φωτογραφίες σας εδώ",
        "it": "Trascina qui le tue foto", "jp": "ここに写真をドラッグしてください",
        "no": "Dra bildene dine hit", "pr": "Arraste suas fotos para cá",
        "ru": "Перетащите фотографии сюда", "sp": "Arrastre sus fotos aquí",
        "sw": "Dra dina foton hit", "tk": "Fotoğraflarınızı buraya sürükleyin",
    },
    "B/A": {
        "ae": "قبل/بعد", "cn": "前/後", "da": "F/E", "de": "V/N", "du": "V/N", "fr": "Av/Ap",
        "gr": "Π/Μ", "it": "P/D", "jp": "前/後", "no": "F/E", "pr": "A/D", "ru": "До/После",
        "sp": "A/D", "sw": "F/E", "tk": "Ö/S",
    },
    "Pix": {
        "ae": "بكسل", "cn": "像素", "da": "px", "de": "Pixel", "du": "px", "fr": "px",
        "gr": "εικονοστ.", "it": "px", "jp": "ピクセル", "no": "px", "pr": "px", "ru": "пикс.",
        "sp": "px", "sw": "px", "tk": "piksel",
    },
    "Cannot write %1: %2": {
        "ae": "تعذّرت كتابة %1: %2", "cn": "無法寫入 %1：%2", "da": "Kan ikke skrive %1: %2",
        "de": "%1 kann nicht geschrieben werden: %2", "du": "Kan %1 niet schrijven: %2",
        "fr": "Impossible d'écrire %1 : %2", "gr": "Δεν είναι δυνατή η εγγραφή του %1: %2",
        "it": "Impossibile scrivere %1: %2", "jp": "%1 を書き込めません: %2",
        "no": "Kan ikke skrive %1: %2", "pr": "Não é possível gravar %1: %2",
        "ru": "Не удалось записать %1: %2", "sp": "No se puede escribir %1: %2",
        "sw": "Det går inte att skriva %1: %2", "tk": "%1 yazılamıyor: %2",
    },
    "Save As": {
        "ae": "حفظ باسم", "cn": "另存新檔", "da": "Gem som", "de": "Speichern unter",
        "du": "Opslaan als", "fr": "Enregistrer sous", "gr": "Αποθήκευση ως",
        "it": "Salva con nome", "jp": "名前を付けて保存", "no": "Lagre som",
        "pr": "Salvar como", "ru": "Сохранить как", "sp": "Guardar como", "sw": "Spara som",
        "tk": "Farklı Kaydet",
    },
    "Luminance": {
        "ae": "السطوع", "cn": "亮度", "da": "Luminans", "de": "Luminanz", "du": "Luminantie",
        "fr": "Luminance", "gr": "Φωτεινότητα", "it": "Luminanza", "jp": "輝度",
        "no": "Luminans", "pr": "Luminância", "ru": "Яркость", "sp": "Luminancia",
        "sw": "Luminans", "tk": "Parlaklık",
    },
    "Chrominance": {
        "ae": "اللونية", "cn": "色度", "da": "Krominans", "de": "Chrominanz",
        "du": "Chrominantie", "fr": "Chrominance", "gr": "Χρωματικότητα", "it": "Crominanza",
        "jp": "色度", "no": "Krominans", "pr": "Crominância", "ru": "Цветность",
        "sp": "Crominancia", "sw": "Krominans", "tk": "Renklilik",
    },
    "Sharpness": {
        "ae": "الحدة", "cn": "銳利度", "da": "Skarphed", "de": "Schärfe", "du": "Scherpte",
        "fr": "Netteté", "gr": "Ευκρίνεια", "it": "Nitidezza", "jp": "シャープネス",
        "no": "Skarphet", "pr": "Nitidez", "ru": "Резкость", "sp": "Nitidez", "sw": "Skärpa",
        "tk": "Keskinlik",
    },
    "Restore": {
        "ae": "استعادة", "cn": "還原", "da": "Gendan", "de": "Zurücksetzen", "du": "Herstellen",
        "fr": "Rétablir", "gr": "Επαναφορά", "it": "Ripristina", "jp": "元に戻す",
        "no": "Tilbakestill", "pr": "Restaurar", "ru": "Сбросить", "sp": "Restablecer",
        "sw": "Återställ", "tk": "Sıfırla",
    },
    "Batch": {
        "ae": "معالجة دفعية", "cn": "批次處理", "da": "Batchbehandling",
        "de": "Stapelverarbeitung", "du": "Batchverwerking", "fr": "Traitement par lots",
        "gr": "Μαζική επεξεργασία", "it": "Elaborazione in batch", "jp": "一括処理",
        "no": "Satsvis behandling", "pr": "Processamento em lote", "ru": "Пакетная обработка",
        "sp": "Procesamiento por lotes", "sw": "Batchbearbetning", "tk": "Toplu İşlem",
    },
    "Add Photos": {
        "ae": "إضافة صور", "cn": "新增相片", "da": "Tilføj fotos", "de": "Fotos hinzufügen",
        "du": "Foto's toevoegen", "fr": "Ajouter des photos", "gr": "Προσθήκη φωτογραφιών",
        "it": "Aggiungi foto", "jp": "写真を追加", "no": "Legg til bilder",
        "pr": "Adicionar fotos", "ru": "Добавить фото", "sp": "Añadir fotos",
        "sw": "Lägg till foton", "tk": "Fotoğraf Ekle",
    },
    "Remove Photos": {
        "ae": "إزالة الصور", "cn": "移除相片", "da": "Fjern fotos", "de": "Fotos entfernen",
        "du": "Foto's verwijderen", "fr": "Retirer des photos", "gr": "Αφαίρεση φωτογραφιών",
        "it": "Rimuovi foto", "jp": "写真を削除", "no": "Fjern bilder",
        "pr": "Remover fotos", "ru": "Удалить фото", "sp": "Quitar fotos",
        "sw": "Ta bort foton", "tk": "Fotoğrafları Kaldır",
    },
    "Start": {
        "ae": "بدء", "cn": "開始", "da": "Start", "de": "Starten", "du": "Starten",
        "fr": "Démarrer", "gr": "Έναρξη", "it": "Avvia", "jp": "開始", "no": "Start",
        "pr": "Iniciar", "ru": "Начать", "sp": "Iniciar", "sw": "Starta", "tk": "Başlat",
    },
    "Process finished. %1 successed, %2 failed.": {
        "ae": "اكتملت المعالجة. نجح %1، وفشل %2.",
        "cn": "處理完成。%1 個成功，%2 個失敗。",
        "da": "Behandlingen er færdig. %1 lykkedes, %2 mislykkedes.",
        "de": "Verarbeitung abgeschlossen. %1 erfolgreich, %2 fehlgeschlagen.",
        "du": "Verwerking voltooid. %1 geslaagd, %2 mislukt.",
        "fr": "Traitement terminé. %1 réussi(s), %2 échoué(s).",
        "gr": "Η επεξεργασία ολοκληρώθηκε. %1 επιτυχίες, %2 αποτυχίες.",
        "it": "Elaborazione completata. %1 riuscite, %2 non riuscite.",
        "jp": "処理が完了しました。成功: %1、失敗: %2。",
        "no": "Behandlingen er ferdig. %1 vellykket, %2 mislyktes.",
        "pr": "Processamento concluído. %1 com sucesso, %2 com falha.",
        "ru": "Обработка завершена. Успешно: %1, с ошибкой: %2.",
        "sp": "Proceso terminado. %1 correctos, %2 con errores.",
        "sw": "Bearbetningen är klar. %1 lyckades, %2 misslyckades.",
        "tk": "İşlem tamamlandı. %1 başarılı, %2 başarısız.",
    },
    "Processing...": {
        "ae": "جارٍ المعالجة...", "cn": "處理中...", "da": "Behandler...",
        "de": "Wird verarbeitet...", "du": "Bezig met verwerken...", "fr": "Traitement...",
        "gr": "Επεξεργασία...", "it": "Elaborazione in corso...", "jp": "処理中...",
        "no": "Behandler...", "pr": "Processando...", "ru": "Обработка...",
        "sp": "Procesando...", "sw": "Bearbetar...", "tk": "İşleniyor...",
    },
    "Don't show again": {
        "ae": "عدم الإظهار مرة أخرى", "cn": "不再顯示", "da": "Vis ikke igen",
        "de": "Nicht mehr anzeigen", "du": "Niet meer weergeven", "fr": "Ne plus afficher",
        "gr": "Να μην εμφανιστεί ξανά", "it": "Non mostrare più", "jp": "今後表示しない",
        "no": "Ikke vis igjen", "pr": "Não mostrar novamente", "ru": "Больше не показывать",
        "sp": "No volver a mostrar", "sw": "Visa inte igen", "tk": "Bir daha gösterme",
    },
    "Close": {
        "ae": "إغلاق", "cn": "關閉", "da": "Luk", "de": "Schließen", "du": "Sluiten",
        "fr": "Fermer", "gr": "Κλείσιμο", "it": "Chiudi", "jp": "閉じる", "no": "Lukk",
        "pr": "Fechar", "ru": "Закрыть", "sp": "Cerrar", "sw": "Stäng", "tk": "Kapat",
    },
    "Open File": {
        "ae": "فتح ملف", "cn": "開啟檔案", "da": "Åbn fil", "de": "Datei öffnen",
        "du": "Bestand openen", "fr": "Ouvrir un fichier", "gr": "Άνοιγμα αρχείου",
        "it": "Apri file", "jp": "ファイルを開く", "no": "Åpne fil", "pr": "Abrir arquivo",
        "ru": "Открыть файл", "sp": "Abrir archivo", "sw": "Öppna fil", "tk": "Dosya Aç",
    },
    "Save File": {
        "ae": "حفظ ملف", "cn": "儲存檔案", "da": "Gem fil", "de": "Datei speichern",
        "du": "Bestand opslaan", "fr": "Enregistrer le fichier", "gr": "Αποθήκευση αρχείου",
        "it": "Salva file", "jp": "ファイルを保存", "no": "Lagre fil", "pr": "Salvar arquivo",
        "ru": "Сохранить файл", "sp": "Guardar archivo", "sw": "Spara fil", "tk": "Dosya Kaydet",
    },
    "Black": {
        "ae": "أسود", "cn": "黑色", "da": "Sort", "de": "Schwarz", "du": "Zwart", "fr": "Noir",
        "gr": "Μαύρο", "it": "Nero", "jp": "黒", "no": "Svart", "pr": "Preto", "ru": "Черный",
        "sp": "Negro", "sw": "Svart", "tk": "Siyah",
    },
    "White": {
        "ae": "أبيض", "cn": "白色", "da": "Hvid", "de": "Weiß", "du": "Wit", "fr": "Blanc",
        "gr": "Λευκό", "it": "Bianco", "jp": "白", "no": "Hvit", "pr": "Branco", "ru": "Белый",
        "sp": "Blanco", "sw": "Vit", "tk": "Beyaz",
    },
    "Red": {
        "ae": "أحمر", "cn": "紅色", "da": "Rød", "de": "Rot", "du": "Rood", "fr": "Rouge",
        "gr": "Κόκκινο", "it": "Rosso", "jp": "赤", "no": "Rød", "pr": "Vermelho", "ru": "Красный",
        "sp": "Rojo", "sw": "Röd", "tk": "Kırmızı",
    },
    "Dark red": {
        "ae": "أحمر داكن", "cn": "深紅色", "da": "Mørkerød", "de": "Dunkelrot", "du": "Donkerrood",
        "fr": "Rouge foncé", "gr": "Σκούρο κόκκινο", "it": "Rosso scuro", "jp": "濃い赤",
        "no": "Mørkerød", "pr": "Vermelho-escuro", "ru": "Темно-красный", "sp": "Rojo oscuro",
        "sw": "Mörkröd", "tk": "Koyu kırmızı",
    },
    "Green": {
        "ae": "أخضر", "cn": "綠色", "da": "Grøn", "de": "Grün", "du": "Groen", "fr": "Vert",
        "gr": "Πράσινο", "it": "Verde", "jp": "緑", "no": "Grønn", "pr": "Verde", "ru": "Зеленый",
        "sp": "Verde", "sw": "Grön", "tk": "Yeşil",
    },
    "Dark green": {
        "ae": "أخضر داكن", "cn": "深綠色", "da": "Mørkegrøn", "de": "Dunkelgrün", "du": "Donkergroen",
        "fr": "Vert foncé", "gr": "Σκούρο πράσινο", "it": "Verde scuro", "jp": "濃い緑",
        "no": "Mørkegrønn", "pr": "Verde-escuro", "ru": "Темно-зеленый", "sp": "Verde oscuro",
        "sw": "Mörkgrön", "tk": "Koyu yeşil",
    },
    "Blue": {
        "ae": "أزرق", "cn": "藍色", "da": "Blå", "de": "Blau", "du": "Blauw", "fr": "Bleu",
        "gr": "Μπλε", "it": "Blu", "jp": "青", "no": "Blå", "pr": "Azul", "ru": "Синий",
        "sp": "Azul", "sw": "Blå", "tk": "Mavi",
    },
    "Dark blue": {
        "ae": "أزرق داكن", "cn": "深藍色", "da": "Mørkeblå", "de": "Dunkelblau", "du": "Donkerblauw",
        "fr": "Bleu foncé", "gr": "Σκούρο μπλε", "it": "Blu scuro", "jp": "濃い青", "no": "Mørkeblå",
        "pr": "Azul-escuro", "ru": "Темно-синий", "sp": "Azul oscuro", "sw": "Mörkblå",
        "tk": "Koyu mavi",
    },
    "Cyan": {
        "ae": "سماوي", "cn": "青色", "da": "Cyan", "de": "Cyan", "du": "Cyaan", "fr": "Cyan",
        "gr": "Κυανό", "it": "Ciano", "jp": "シアン", "no": "Cyan", "pr": "Ciano", "ru": "Голубой",
        "sp": "Cian", "sw": "Cyan", "tk": "Camgöbeği",
    },
    "Dark cyan": {
        "ae": "سماوي داكن", "cn": "深青色", "da": "Mørk cyan", "de": "Dunkelcyan", "du": "Donkercyaan",
        "fr": "Cyan foncé", "gr": "Σκούρο κυανό", "it": "Ciano scuro", "jp": "濃いシアン",
        "no": "Mørk cyan", "pr": "Ciano-escuro", "ru": "Темно-голубой", "sp": "Cian oscuro",
        "sw": "Mörk cyan", "tk": "Koyu camgöbeği",
    },
    "Magenta": {
        "ae": "أرجواني", "cn": "洋紅色", "da": "Magenta", "de": "Magenta", "du": "Magenta",
        "fr": "Magenta", "gr": "Ματζέντα", "it": "Magenta", "jp": "マゼンタ", "no": "Magenta",
        "pr": "Magenta", "ru": "Пурпурный", "sp": "Magenta", "sw": "Magenta", "tk": "Macenta",
    },
    "Dark magenta": {
        "ae": "أرجواني داكن", "cn": "深洋紅色", "da": "Mørk magenta", "de": "Dunkelmagenta",
        "du": "Donkermagenta", "fr": "Magenta foncé", "gr": "Σκούρο ματζέντα",
        "it": "Magenta scuro", "jp": "濃いマゼンタ", "no": "Mørk magenta", "pr": "Magenta-escuro",
        "ru": "Темно-пурпурный", "sp": "Magenta oscuro", "sw": "Mörk magenta", "tk": "Koyu macenta",
    },
    "Yellow": {
        "ae": "أصفر", "cn": "黃色", "da": "Gul", "de": "Gelb", "du": "Geel", "fr": "Jaune",
        "gr": "Κίτρινο", "it": "Giallo", "jp": "黄", "no": "Gul", "pr": "Amarelo", "ru": "Желтый",
        "sp": "Amarillo", "sw": "Gul", "tk": "Sarı",
    },
    "Dark yellow": {
        "ae": "أصفر داكن", "cn": "深黃色", "da": "Mørkegul", "de": "Dunkelgelb", "du": "Donkergeel",
        "fr": "Jaune foncé", "gr": "Σκούρο κίτρινο", "it": "Giallo scuro", "jp": "濃い黄",
        "no": "Mørkegul", "pr": "Amarelo-escuro", "ru": "Темно-желтый", "sp": "Amarillo oscuro",
        "sw": "Mörkgul", "tk": "Koyu sarı",
    },
    "Gray": {
        "ae": "رمادي", "cn": "灰色", "da": "Grå", "de": "Grau", "du": "Grijs", "fr": "Gris",
        "gr": "Γκρι", "it": "Grigio", "jp": "灰色", "no": "Grå", "pr": "Cinza", "ru": "Серый",
        "sp": "Gris", "sw": "Grå", "tk": "Gri",
    },
    "Dark gray": {
        "ae": "رمادي داكن", "cn": "深灰色", "da": "Mørkegrå", "de": "Dunkelgrau", "du": "Donkergrijs",
        "fr": "Gris foncé", "gr": "Σκούρο γκρι", "it": "Grigio scuro", "jp": "濃い灰色",
        "no": "Mørkegrå", "pr": "Cinza-escuro", "ru": "Темно-серый", "sp": "Gris oscuro",
        "sw": "Mörkgrå", "tk": "Koyu gri",
    },
    "Light gray": {
        "ae": "رمادي فاتح", "cn": "淺灰色", "da": "Lysegrå", "de": "Hellgrau", "du": "Lichtgrijs",
        "fr": "Gris clair", "gr": "Ανοιχτό γκρι", "it": "Grigio chiaro", "jp": "薄い灰色",
        "no": "Lysegrå", "pr": "Cinza-claro", "ru": "Светло-серый", "sp": "Gris claro",
        "sw": "Ljusgrå", "tk": "Açık gri",
    },
}

PLACEHOLDER = re.compile(r"%\d")


def text_for(suffix, english):
    if suffix == "en":
        return english
    return TRANSLATIONS[english][suffix]


def check():
    problems = []
    for _, source, english in CATALOGUE:
        if english not in TRANSLATIONS:
            problems.append("no translations of %r" % english)
            continue
        for suffix in LANGUAGES:
            if suffix == "en":
                continue
            text = TRANSLATIONS[english].get(suffix)
            if not text:
                problems.append("%r has no %s text" % (english, suffix))
            elif sorted(PLACEHOLDER.findall(text)) != sorted(PLACEHOLDER.findall(english)):
                problems.append("%r in %s loses a placeholder" % (english, suffix))
    seen = set()
    for context, source, _ in CATALOGUE:
        if (context, source) in seen:
            problems.append("%s/%s listed twice" % (context, source))
        seen.add((context, source))
    return problems


def write_ts(path, suffix):
    contexts = []
    for context, source, english in CATALOGUE:
        if context not in contexts:
            contexts.append(context)
    lines = [
        '<?xml version="1.0" encoding="utf-8"?>',
        "<!DOCTYPE TS>",
        '<TS version="2.1" language="%s" sourcelanguage="en">' % LANGUAGES[suffix],
    ]
    for context in contexts:
        lines.append("<context>")
        lines.append("    <name>%s</name>" % escape(context))
        for ctx, source, english in CATALOGUE:
            if ctx != context:
                continue
            lines.append("    <message>")
            lines.append("        <source>%s</source>" % escape(source))
            lines.append("        <translation>%s</translation>" % escape(text_for(suffix, english)))
            lines.append("    </message>")
        lines.append("</context>")
    lines.append("</TS>")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def main():
    problems = check()
    if problems:
        sys.stderr.write("\n".join(problems) + "\n")
        return 1
    folder = os.path.dirname(os.path.abspath(__file__))
    for suffix in LANGUAGES:
        write_ts(os.path.join(folder, "denoise_%s.ts" % suffix), suffix)
    return 0


if __name__ == "__main__":
    sys.exit(main())
