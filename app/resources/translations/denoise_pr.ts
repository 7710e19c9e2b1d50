<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_FILE</source>
        <translation>Arquivo</translation>
    </message>
    <message>
        <source>IDS_VIEW</source>
        <translation>Exibir</translation>
    </message>
    <message>
        <source>IDS_HELP</source>
        <translation>Ajuda</translation>
    </message>
    <message>
        <source>IDS_OPEN</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>IDS_SAVEAS</source>
        <translation>Salvar como...</translation>
    </message>
    <message>
        <source>IDS_BATCH</source>
        <translation>Processamento em lote...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>Sair</translation>
    </message>
    <message>
        <source>IDS_MENU_ACTUALSIZE</source>
        <translation>Tamanho real</translation>
    </message>
    <message>
        <source>IDS_MENU_FITIN</source>
        <translation>Ajustar</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMIN</source>
        <translation>Ampliar</translation>
    </message>
    <message>
        <source>IDS_MENU_ZOOMOUT</source>
        <translation>Reduzir</translation>
    </message>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>Antes / Depois</translation>
    </message>
    <message>
        <source>IDS_MENU_ONLINE_HELP</source>
        <translation>Ajuda online</translation>
    </message>
    <message>
        <source>IDS_MENU_FAQ</source>
        <translation>Perguntas frequentes sobre o produto</translation>
    </message>
    <message>
        <source>IDS_MENU_CCS</source>
        <translation>Contatar o atendimento ao cliente</translation>
    </message>
    <message>
        <source>IDS_ABOUT</source>
        <translation>Sobre</translation>
    </message>
    <message>
        <source>IDS_SAVE_PROMPT</source>
        <translation>Suas alterações serão perdidas se você não salvá-las.</translation>
    </message>
    <message>
        <source>IDS_SAVE</source>
        <translation>Salvar</translation>
    </message>
    <message>
        <source>IDS_CANCEL</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>IDS_DONT_SAVE</source>
        <translation>Não salvar</translation>
    </message>
</context>
<context>
    <name>IQWizardFrame</name>
    <message>
        <source>IDS_IMPORT</source>
        <translation>Importar</translation>
    </message>
    <message>
        <source>IDS_OR</source>
        <translation>Ou</translation>
    </message>
    <message>
        <source>IDS_DARGDROP</source>
        <translation>Arraste suas fotos para cá</translation>
    </message>
</context>
<context>
    <name>IQEditingFrame</name>
    <message>
        <source>IDS_BEFORE_AFTER</source>
        <translation>A/D</translation>
    </message>
    <message>
        <source>IDS_PIX</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Não é possível gravar %1: %2</translation>
    </message>
</context>
<context>
    <name>IQAdjustingFrame</name>
    <message>
        <source>IDS_SAVE</source>
        <translation>Salvar como</translation>
    </message>
</context>
<context>
    <name>IQDenoiseProcessFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminância</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Crominância</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>IDS_RESTORE</source>
        <translation>Restaurar</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseDialog</name>
    <message>
        <source>IDS_BATCH</source>
        <translation>Processamento em lote</translation>
    </message>
</context>
<context>
    <name>IQBatchDenoiseFrame</name>
    <message>
        <source>IDS_LUMINANCE</source>
        <translation>Luminância</translation>
    </message>
    <message>
        <source>IDS_CHROMINANCE</source>
        <translation>Crominância</translation>
    </message>
    <message>
        <source>IDS_SHARPNESS</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>IDS_ADD_PHOTOS</source>
        <translation>Adicionar fotos</translation>
    </message>
    <message>
        <source>IDS_REMOVE_PHOTOS</source>
        <translation>Remover fotos</translation>
    </message>
    <message>
        <source>IDS_START</source>
        <translation>Iniciar</translation>
    </message>
    <message>
        <source>IDS_BATCH_FINISHED</source>
        <translation>Processamento concluído. %1 com sucesso, %2 com falha.</translation>
    </message>
    <message>
        <source>IDS_PROCESSING</source>
        <translation>Processando...</translation>
    </message>
</context>
<context>
    <name>IQGuideDialog</name>
    <message>
        <source>IDS_AC_DONTSHOWAGAIN</source>
        <translation>Não mostrar novamente</translation>
    </message>
    <message>
        <source>IDS_AC_CLOSE</source>
        <translation>Fechar</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Open File</source>
        <translation>Abrir arquivo</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Salvar arquivo</translation>
    </message>
</context>
<context>
    <name>QtColorPicker</name>
    <message>
        <source>Black</source>
        <translation>Preto</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Branco</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Vermelho</translation>
    </message>
    <message>
        <source>Dark red</source>
        <translation>Vermelho-escuro</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Verde</translation>
    </message>
    <message>
        <source>Dark green</source>
        <translation>Verde-escuro</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Azul</translation>
    </message>
    <message>
        <source>Dark blue</source>
        <translation>Azul-escuro</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Ciano</translation>
    </message>
    <message>
        <source>Dark cyan</source>
        <translation>Ciano-escuro</translation>
    </message>
    <message>
        <source>Magenta</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Dark magenta</source>
        <translation>Magenta-escuro</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Amarelo</translation>
    </message>
    <message>
        <source>Dark yellow</source>
        <translation>Amarelo-escuro</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Cinza</translation>
    </message>
    <message>
        <source>Dark gray</source>
        <translation>Cinza-escuro</translation>
    </message>
    <message>
        <source>Light gray</source>
        <translation>Cinza-claro</translation>
    </message>
</context>
</TS>
