<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>AboutBox</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>version %1</source>
        <translation>version %1</translation>
    </message>
    <message>
        <source>русский язык</source>
        <translation>English</translation>
    </message>
    <message>
        <source>&lt;b&gt;%1&lt;/b&gt;&lt;br&gt;&lt;br&gt;&lt;b&gt;%2&lt;/b&gt;&lt;br&gt;&lt;i&gt;%3&lt;/i&gt;&lt;br&gt;&lt;br&gt;&lt;i&gt;%4&lt;/i&gt;</source>
        <translation>&lt;b&gt;%1&lt;/b&gt;&lt;br&gt;&lt;br&gt;&lt;b&gt;%2&lt;/b&gt;&lt;br&gt;&lt;i&gt;%3&lt;/i&gt;&lt;br&gt;&lt;br&gt;&lt;i&gt;%4&lt;/i&gt;</translation>
    </message>
</context>
<context>
    <name>Control_LOG</name>
    <message>
        <source>Журнал не записывается в файл %1.
Записи журнала сохраняются в папке %2</source>
        <translation>The log cannot be written to the file %1.
Its lines are kept in the folder %2</translation>
    </message>
    <message>
        <source>Журнал не записывается в файл %1, записи журнала теряются.</source>
        <translation>The log cannot be written to the file %1; its lines are lost.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>ORB PTZ Washing</source>
        <translation>ORB PTZ Washing</translation>
    </message>
    <message>
        <source>Соединиться</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Пересканировать</source>
        <translation>Rescan</translation>
    </message>
    <message>
        <source>О программе ...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>COM port</source>
        <translation>COM port</translation>
    </message>
    <message>
        <source>Адрес модуля</source>
        <translation>Module address</translation>
    </message>
    <message>
        <source>Адрес PTZ</source>
        <translation>PTZ address</translation>
    </message>
    <message>
        <source>Настройка помывки</source>
        <translation>Washing setup</translation>
    </message>
    <message>
        <source>Расписание</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>интервал помывки</source>
        <translation>Washing interval</translation>
    </message>
    <message>
        <source>интервал помывки, минуты</source>
        <translation>Washing interval, minutes</translation>
    </message>
    <message>
        <source>минут</source>
        <translation>min</translation>
    </message>
    <message>
        <source>интервал помывки, часы</source>
        <translation>Washing interval, hours</translation>
    </message>
    <message>
        <source>часов</source>
        <translation>h</translation>
    </message>
    <message>
        <source>интервал помывки, дни</source>
        <translation>Washing interval, days</translation>
    </message>
    <message>
        <source>дней</source>
        <translation>days</translation>
    </message>
    <message>
        <source>Дождь</source>
        <translation>Rain</translation>
    </message>
    <message>
        <source>в минутах</source>
        <translation>in minutes</translation>
    </message>
    <message>
        <source>Выключить режим дождя</source>
        <translation>Rain mode off</translation>
    </message>
    <message>
        <source>Интервал работы дворника в режиме дождь</source>
        <translation>Wiper interval in rain mode</translation>
    </message>
    <message>
        <source>Прочитать настройки помывки</source>
        <translation>Read washing setup</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Записать настройки помывки</source>
        <translation>Write washing setup</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Расширенные настройки</source>
        <translation>Advanced setup</translation>
    </message>
    <message>
        <source>Режим работы PTZ</source>
        <translation>PTZ work mode</translation>
    </message>
    <message>
        <source>Точка</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>Тур</source>
        <translation>Tour</translation>
    </message>
    <message>
        <source>Скан</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>Патерн</source>
        <translation>Pattern</translation>
    </message>
    <message>
        <source>Режим работы</source>
        <translation>Work mode</translation>
    </message>
    <message>
        <source>Номер пресета для сохранения текущей позиции</source>
        <translation>Preset to save the current position</translation>
    </message>
    <message>
        <source>Номер тура</source>
        <translation>Tour number</translation>
    </message>
    <message>
        <source>Паттерн</source>
        <translation>Pattern</translation>
    </message>
    <message>
        <source>Номер паттерна</source>
        <translation>Pattern number</translation>
    </message>
    <message>
        <source>Номер скана</source>
        <translation>Scan number</translation>
    </message>
    <message>
        <source>Номер пресета работы дворника</source>
        <translation>Wiper preset</translation>
    </message>
    <message>
        <source>Номер пресета для поворота  в позицию помывки PTZ</source>
        <translation>Preset to turn the PTZ to the washing position</translation>
    </message>
    <message>
        <source>Прочитать режим работы PTZ</source>
        <translation>Read PTZ work mode</translation>
    </message>
    <message>
        <source>Записать режим работы PTZ</source>
        <translation>Write PTZ work mode</translation>
    </message>
    <message>
        <source>Настройка помывки камеры</source>
        <translation>Camera washing setup</translation>
    </message>
    <message>
        <source>с</source>
        <translation>s</translation>
    </message>
    <message>
        <source>время работы насоса</source>
        <translation>Pump run time</translation>
    </message>
    <message>
        <source>Время работы дворника</source>
        <translation>Wiper run time</translation>
    </message>
    <message>
        <source>в секундах</source>
        <translation>in seconds</translation>
    </message>
    <message>
        <source>Время поворота PTZ в позицию помывки (команда MOVE)</source>
        <translation>PTZ turn time to the washing position (MOVE)</translation>
    </message>
    <message>
        <source>Исходное состояние контактов датчика дождя(нет дождя)</source>
        <translation>Rain sensor contacts at rest (no rain)</translation>
    </message>
    <message>
        <source>Прочитать настройки помывки камеры</source>
        <translation>Read camera washing setup</translation>
    </message>
    <message>
        <source>Записать настройки помывки камеры</source>
        <translation>Write camera washing setup</translation>
    </message>
    <message>
        <source>Контроль модуля управления</source>
        <translation>Control module</translation>
    </message>
    <message>
        <source>Прочитать все настройки и статусы модуля</source>
        <translation>Read all module settings and states</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>ручной запуск</source>
        <translation>Manual start</translation>
    </message>
    <message>
        <source>моющая жидкость</source>
        <translation>Washer fluid</translation>
    </message>
    <message>
        <source>Насос выключить</source>
        <translation>Pump off</translation>
    </message>
    <message>
        <source>Насос включить</source>
        <translation>Pump on</translation>
    </message>
    <message>
        <source>mailto:%1</source>
        <translation>mailto:%1</translation>
    </message>
    <message>
        <source>Замкнутое</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>Разомкнутое</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Ошибка выбора COM-порта</source>
        <translation>COM port not chosen</translation>
    </message>
    <message>
        <source>COM-порт не выбран!</source>
        <translation>No COM port chosen!</translation>
    </message>
    <message>
        <source>Разъединиться</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Информация</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Порт не открыт!</source>
        <translation>Port not open!</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>%1 ч %2 мин</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>«%1»: значение не выбрано</source>
        <translation>“%1”: no value chosen</translation>
    </message>
    <message>
        <source>«%1»: значение не помещается в модуль, наибольшее — %2</source>
        <translation>“%1”: the value does not fit the module, the largest is %2</translation>
    </message>
    <message>
        <source>Ошибка передачи данных</source>
        <translation>Data exchange error</translation>
    </message>
</context>
<context>
    <name>Status_data</name>
    <message>
        <source>, осталось:  %1 сек.</source>
        <translation>, left: %1 s</translation>
    </message>
</context>
<context>
    <name>exchange_text</name>
    <message>
        <source>насос включен</source>
        <translation>pump on</translation>
    </message>
    <message>
        <source>насос выключен</source>
        <translation>pump off</translation>
    </message>
    <message>
        <source>Ответ модуля короче записи: %1 байт данных вместо %2</source>
        <translation>The module&apos;s reply is shorter than the record: %1 data bytes instead of %2</translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>Размер пакета не корректен</source>
        <translation>Wrong packet size</translation>
    </message>
    <message>
        <source>Префикс не корректен! [0x%1]</source>
        <translation>Wrong prefix! [0x%1]</translation>
    </message>
    <message>
        <source>Адрес не корректен! [0x%1]</source>
        <translation>Wrong address! [0x%1]</translation>
    </message>
    <message>
        <source>Неверная команда! [0x%1]</source>
        <translation>Wrong command! [0x%1]</translation>
    </message>
    <message>
        <source>Размер пакета не корректен (поле len неверно заполнено)</source>
        <translation>Wrong packet size (the len field is wrong)</translation>
    </message>
    <message>
        <source>Контрольная сумма не корректнa!</source>
        <translation>Wrong checksum!</translation>
    </message>
</context>
<context>
    <name>state_text</name>
    <message>
        <source>Инициализация</source>
        <translation>Starting up</translation>
    </message>
    <message>
        <source>Помывка</source>
        <translation>Washing</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
</context>
</TS>
