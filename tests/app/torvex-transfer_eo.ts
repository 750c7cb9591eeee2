<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="eo" sourcelanguage="en">
<context>
    <name>LoginDialog</name>
    <message>
        <source>Remember password</source>
        <translation>Memori pasvorton</translation>
    </message>
</context>
</TS>
