-- Tables of a new installation. The program upgrades them at every start
-- (machine columns, dnc, NFC_Spindle) exactly as it does an older file.
-- AUTOINCREMENT keys: the id of a deleted row is never handed out again,
-- since rows that referred to it (tooling tables, tools) are kept.

CREATE TABLE machine (
    idMachine INTEGER PRIMARY KEY AUTOINCREMENT,
    name VARCHAR(100) NOT NULL DEFAULT '',
    Xref INTEGER NOT NULL DEFAULT 0,
    Zref INTEGER NOT NULL DEFAULT 0,
    sysXref INTEGER NOT NULL DEFAULT 0,
    sysZref INTEGER NOT NULL DEFAULT 0,
    isRadius BOOL NOT NULL DEFAULT 1,
    IsMM BOOL NOT NULL DEFAULT 1,
    swapXZ BOOL NOT NULL DEFAULT 0,
    reverseX BOOL NOT NULL DEFAULT 0,
    reverseZ BOOL NOT NULL DEFAULT 0,
    linkToMasterX BOOL NOT NULL DEFAULT 0,
    linkToMasterZ BOOL NOT NULL DEFAULT 0,
    idMasterX INTEGER NOT NULL DEFAULT -1,
    idMasterZ INTEGER NOT NULL DEFAULT -1,
    smartX INTEGER NOT NULL DEFAULT 0,
    smartZ INTEGER NOT NULL DEFAULT 0,
    calibrationDate DATE,
    PostPro VARCHAR(100) DEFAULT '',
    networkPath VARCHAR(100),
    Balluff VARCHAR(100) DEFAULT '',
    dncSocket CHAR,
    dncFormat CHAR,
    toolId BOOL NOT NULL DEFAULT 0,
    spindleType CHAR DEFAULT ''
);

CREATE TABLE toolingTables (
    idTable INTEGER PRIMARY KEY AUTOINCREMENT,
    idMachine INTEGER NOT NULL DEFAULT -1,
    name VARCHAR(100) NOT NULL DEFAULT ''
);

CREATE TABLE tools (
    idTool INTEGER PRIMARY KEY AUTOINCREMENT,
    idTable INTEGER NOT NULL,
    t INTEGER NOT NULL DEFAULT 0,
    x FLOAT DEFAULT 0,
    z FLOAT DEFAULT 0,
    code VARCHAR(100) DEFAULT '',
    angle FLOAT DEFAULT 0,
    cr FLOAT DEFAULT 0,
    Xth FLOAT DEFAULT 0,
    Zth FLOAT DEFAULT 0,
    XtolPlus FLOAT DEFAULT 0,
    XtolMinus FLOAT DEFAULT 0,
    ZtolPlus FLOAT DEFAULT 0,
    ZtolMinus FLOAT DEFAULT 0
);
