<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru">
<context>
    <name>EntryPanel</name>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>S_time</source>
        <translation>S_time</translation>
    </message>
    <message>
        <source>E_time</source>
        <translation>E_time</translation>
    </message>
    <message>
        <source>Real time</source>
        <translation>Real time</translation>
    </message>
    <message>
        <source>MHz</source>
        <translation>MHz</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Call</source>
        <translation>Call</translation>
    </message>
    <message>
        <source>RST sent</source>
        <translation>RST sent</translation>
    </message>
    <message>
        <source>RST rcvd</source>
        <translation>RST rcvd</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>QTH</source>
        <translation>QTH</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>QSL sent</source>
        <translation>QSL sent</translation>
    </message>
    <message>
        <source>QSL rcvd</source>
        <translation>QSL rcvd</translation>
    </message>
    <message>
        <source>TX_PWR</source>
        <translation>TX_PWR</translation>
    </message>
    <message>
        <source>Поиск по фрагменту в позывном</source>
        <translation>Search by part of the call</translation>
    </message>
    <message>
        <source>Freq from Rig</source>
        <translation>Freq from Rig</translation>
    </message>
    <message>
        <source>QSO import</source>
        <translation>QSO import</translation>
    </message>
    <message>
        <source>Отмена(Esc)</source>
        <translation>Cancel(Esc)</translation>
    </message>
    <message>
        <source>Сохранить(F1)</source>
        <translation>Save(F1)</translation>
    </message>
    <message>
        <source>QSO editing...</source>
        <translation>QSO editing...</translation>
    </message>
</context>
<context>
    <name>LongWork</name>
    <message>
        <source>Останавливается...</source>
        <translation>Stopping...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>QSO: %1 из %2</source>
        <translation>QSOs: %1 of %2</translation>
    </message>
    <message>
        <source>QSO: %1</source>
        <translation>QSOs: %1</translation>
    </message>
</context>
<context>
    <name>ProgramSettingsDialog</name>
    <message>
        <source>Параметры программы</source>
        <translation>Program Settings</translation>
    </message>
    <message>
        <source>Язык интерфейса</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>Автоматически</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Действует после перезапуска программы.</source>
        <translation>Takes effect when the program is started again.</translation>
    </message>
    <message>
        <source>Экспорт ADIF</source>
        <translation>ADIF export</translation>
    </message>
    <message>
        <source>Windows-1251, или UTF-8, если значение в неё не помещается</source>
        <translation>Windows-1251, or UTF-8 when a value does not fit it</translation>
    </message>
    <message>
        <source>Всегда UTF-8</source>
        <translation>Always UTF-8</translation>
    </message>
    <message>
        <source>Снимки журнала</source>
        <translation>Log snapshots</translation>
    </message>
    <message>
        <source>Делать снимки журнала в папке backup рядом с ним</source>
        <translation>Take snapshots of the log in the backup folder beside it</translation>
    </message>
    <message>
        <source>Хранить последних:</source>
        <translation>Keep the newest:</translation>
    </message>
    <message>
        <source>И по одному в день, дней:</source>
        <translation>And one a day, for days:</translation>
    </message>
    <message>
        <source>Файл стран cty.dat</source>
        <translation>Country file cty.dat</translation>
    </message>
    <message>
        <source>Загрузить новый cty.dat...</source>
        <translation>Load a newer cty.dat...</translation>
    </message>
    <message>
        <source>без записи VERSION</source>
        <translation>without a VERSION entry</translation>
    </message>
    <message>
        <source>VERSION: %1 (%2)</source>
        <translation>VERSION: %1 (%2)</translation>
    </message>
    <message>
        <source>Файл стран</source>
        <translation>Country file</translation>
    </message>
    <message>
        <source>Файл стран загружен: %1</source>
        <translation>Country file loaded: %1</translation>
    </message>
</context>
<context>
    <name>QslLabels</name>
    <message>
        <source>QSL карточки</source>
        <translation>QSL cards</translation>
    </message>
</context>
<context>
    <name>ReportPreview</name>
    <message>
        <source>Предварительный просмотр - %1</source>
        <translation>Print preview - %1</translation>
    </message>
    <message>
        <source>Вся страница</source>
        <translation>Whole page</translation>
    </message>
    <message>
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message>
        <source>По ширине</source>
        <translation>Page width</translation>
    </message>
    <message>
        <source>Настройка принтера</source>
        <translation>Printer setup</translation>
    </message>
    <message>
        <source>Печать</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Сохранить PDF</source>
        <translation>Save PDF</translation>
    </message>
    <message>
        <source>Сохранить CSV</source>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Первая страница</source>
        <translation>First page</translation>
    </message>
    <message>
        <source>Предыдущая страница</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Следующая страница</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>Последняя страница</source>
        <translation>Last page</translation>
    </message>
    <message>
        <source>Масштаб 100 %</source>
        <translation>Zoom 100 %</translation>
    </message>
    <message>
        <source>Сохранить как текст CSV (разделитель &quot;;&quot;)</source>
        <translation>Save as CSV text (separator &quot;;&quot;)</translation>
    </message>
    <message>
        <source> %1 из %2 </source>
        <comment>page of pages</comment>
        <translation> %1 of %2 </translation>
    </message>
    <message>
        <source>Printer error</source>
        <translation>Printer error</translation>
    </message>
    <message>
        <source>Сохранить в PDF</source>
        <translation>Save as PDF</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>Сохранить в CSV</source>
        <translation>Save as CSV</translation>
    </message>
    <message>
        <source>CSV (разделитель &quot;;&quot;)</source>
        <translation>CSV (separator &quot;;&quot;)</translation>
    </message>
</context>
<context>
    <name>StationLog</name>
    <message>
        <source>№ п/п</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>GMT</source>
        <translation>GMT</translation>
    </message>
    <message>
        <source>MHz</source>
        <translation>MHz</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Позывной</source>
        <translation>Call</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>QTH</source>
        <translation>QTH</translation>
    </message>
    <message>
        <source>RST пер. прин.</source>
        <translation>RST sent rcvd</translation>
    </message>
    <message>
        <source>QSL</source>
        <translation>QSL</translation>
    </message>
    <message>
        <source>QTH loc</source>
        <translation>QTH loc</translation>
    </message>
    <message>
        <source>PWR</source>
        <translation>PWR</translation>
    </message>
    <message>
        <source>Примечания</source>
        <translation>Remarks</translation>
    </message>
    <message>
        <source>Аппаратный журнал</source>
        <translation>Station log</translation>
    </message>
</context>
<context>
    <name>TAboutBox</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Программа</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>Tarnix - Аппаратный журнал</source>
        <translation>Tarnix - Station log</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Простой, компактный,</source>
        <comment>first of two lines</comment>
        <translation>Simple, compact,</translation>
    </message>
    <message>
        <source>QRP совместимый...</source>
        <comment>second of two lines</comment>
        <translation>QRP compatible...</translation>
    </message>
    <message>
        <source>Автор: %1, e-mail: %2</source>
        <translation>Author: %1, e-mail: %2</translation>
    </message>
    <message>
        <source>Текст лицензионного соглашения</source>
        <translation>Text of the licence agreement</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Файл стран: %1</source>
        <translation>Country file: %1</translation>
    </message>
    <message>
        <source>Файл стран: %1, VERSION: %2 (%3)</source>
        <translation>Country file: %1, VERSION: %2 (%3)</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Создать</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Сохранить как...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>Архивировать</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>Импорт ADIF</source>
        <translation>Import ADIF</translation>
    </message>
    <message>
        <source>Экспорт ADIF</source>
        <translation>Export ADIF</translation>
    </message>
    <message>
        <source>Параметры программы...</source>
        <translation>Program settings...</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Фильтр</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Печать</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>SQL запрос</source>
        <translation>SQL query</translation>
    </message>
    <message>
        <source>Аппаратный журнал</source>
        <translation>Station log</translation>
    </message>
    <message>
        <source>QSL карточки</source>
        <translation>QSL cards</translation>
    </message>
    <message>
        <source>DXCC статистика</source>
        <translation>DXCC statistics</translation>
    </message>
    <message>
        <source>DXCC rebuild</source>
        <translation>DXCC rebuild</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Опции</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Виды излучения</source>
        <translation>Modes</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Пометить QSL_sent, как P</source>
        <translation>Mark QSL_sent as P</translation>
    </message>
    <message>
        <source>Заменить все P на Y</source>
        <translation>Replace all P with Y</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Аппаратный журнал</source>
        <comment>file type in the open and save dialogs</comment>
        <translation>Tarnix log</translation>
    </message>
    <message>
        <source>%1 — журнал в формате Microsoft Access (Jet). Tarnix ведёт журналы в своём формате. Преобразовать его в новый журнал? Исходный файл не изменится.</source>
        <translation>%1 is a log in the Microsoft Access (Jet) format. Tarnix keeps its logs in a format of its own. Convert it into a new log? The original file will not be changed.</translation>
    </message>
    <message>
        <source>Новый журнал нельзя записать на место исходного файла</source>
        <translation>The new log cannot be written over the original file</translation>
    </message>
    <message>
        <source>Журнал преобразован: QSO %1, видов излучения %2, строк настроек %3.</source>
        <translation>Log converted: QSOs: %1, modes: %2, settings rows: %3.</translation>
    </message>
    <message>
        <source>Пропущены столбцы, которых нет в журнале: %1.</source>
        <translation>Columns the log does not have were skipped: %1.</translation>
    </message>
    <message>
        <source>Пропущена строка %1 таблицы %2: %3.</source>
        <translation>Row %1 of table %2 was skipped: %3.</translation>
    </message>
    <message>
        <source>%1

Есть снимок этого журнала от %2. Открыть его копию рядом с журналом? Повреждённый файл останется как есть.</source>
        <translation>%1

There is a snapshot of this log from %2. Open a copy of it beside the log? The damaged file stays as it is.</translation>
    </message>
    <message>
        <source>Архив сохранен в подпапке \backup</source>
        <translation>The archive was saved in the subfolder \backup</translation>
    </message>
    <message>
        <source>Импорт ADIF файла</source>
        <translation>ADIF file</translation>
    </message>
    <message>
        <source>Экспорт в ADIF</source>
        <translation>ADIF file</translation>
    </message>
    <message>
        <source>Файл записан в кодировке UTF-8: не все значения помещаются в Windows-1251.</source>
        <translation>The file was written in UTF-8: not every value fits in Windows-1251.</translation>
    </message>
    <message>
        <source>Внимание!!!</source>
        <translation>Warning!!!</translation>
    </message>
    <message>
        <source>Будет удалена текущая запись,продолжить?</source>
        <translation>The current record will be deleted, continue?</translation>
    </message>
    <message>
        <source>Преобразование журнала</source>
        <translation>Converting the log</translation>
    </message>
    <message>
        <source>Преобразование прервано. Новый журнал не записан.</source>
        <translation>Conversion cancelled. The new log was not written.</translation>
    </message>
    <message>
        <source>Импорт прерван. Записано QSO: %1.</source>
        <translation>Import cancelled. QSOs stored: %1.</translation>
    </message>
    <message>
        <source>Экспорт прерван. Файл не записан.</source>
        <translation>Export cancelled. The file was not written.</translation>
    </message>
    <message>
        <source>DXCC rebuild прерван. Обработано QSO: %1 из %2.</source>
        <translation>DXCC rebuild cancelled. QSOs done: %1 of %2.</translation>
    </message>
</context>
<context>
    <name>TFormDXCC</name>
    <message>
        <source>Всего стран:</source>
        <translation>Countries:</translation>
    </message>
</context>
<context>
    <name>TFormFilter</name>
    <message>
        <source>Установка фильтра</source>
        <translation>Set Filter</translation>
    </message>
    <message>
        <source>В маске можно использовать символы _ и %</source>
        <translation>Masks may use the characters _ and %</translation>
    </message>
    <message>
        <source>с</source>
        <translation>from</translation>
    </message>
    <message>
        <source>по</source>
        <translation>to</translation>
    </message>
    <message>
        <source>Сформировать запрос</source>
        <translation>Build the query</translation>
    </message>
    <message>
        <source>Отменить фильтр</source>
        <translation>Remove filter</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
</context>
<context>
    <name>TFormModes</name>
    <message>
        <source>Виды излучения</source>
        <translation>Modes</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Требуется перезапуск программы!</source>
        <translation>The program must be restarted!</translation>
    </message>
</context>
<context>
    <name>TFormOpc</name>
    <message>
        <source>Позывной</source>
        <translation>Call</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>QTH</source>
        <translation>QTH</translation>
    </message>
    <message>
        <source>QTH loc</source>
        <translation>QTH loc</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Аппаратура</source>
        <translation>Rig</translation>
    </message>
    <message>
        <source>local-GMT</source>
        <translation>local-GMT</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TFormSQL</name>
    <message>
        <source>Запрос SQL</source>
        <translation>SQL Query</translation>
    </message>
    <message>
        <source>Выполнить</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>EXCEL</source>
        <translation>EXCEL</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Загрузить</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Нет программы, которая открыла бы книгу. Книга записана в файл %1</source>
        <translation>There is no program to open the workbook. The workbook was written to the file %1</translation>
    </message>
    <message>
        <source>Запрос</source>
        <translation>SQL query</translation>
    </message>
    <message>
        <source>Файл не сохранен!</source>
        <translation>The file was not saved!</translation>
    </message>
    <message>
        <source>Файл не выбран</source>
        <translation>No file was chosen</translation>
    </message>
</context>
</TS>
