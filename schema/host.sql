-- The host's tables in the shared database, as the module and its programs see them.
--
-- Column order matters: the control value of a CAB row sums its first five columns and of
-- an HCAB row its first six, and the last column of both holds the control value itself;
-- the taxpayer list reads CONT's second column (document number) and fourth (name);
-- reportes and envio_t are written positionally.
--
-- Every text column compares without regard to case (COLLATE NOCASE), as the suite's engine
-- does: lookups, keys and duplicate checks ignore case ("jperez" is the user "JPEREZ").
--
-- Statements are separated by ";" at the end of a line. The module's own tables are not
-- here: the table installer creates them.

CREATE TABLE CAB (
    TIP_DOC_D   INTEGER NOT NULL,
    DOC_ID_D    TEXT(15) COLLATE NOCASE NOT NULL,
    PERIODO     TEXT(6) COLLATE NOCASE NOT NULL,
    FORMULARIO  TEXT(4) COLLATE NOCASE NOT NULL,
    SEMANA      INTEGER NOT NULL DEFAULT 0,
    estado      INTEGER,
    RECTIFICA   TEXT(1) COLLATE NOCASE,
    fec_pro     TEXT(10) COLLATE NOCASE,
    nrocheque   TEXT(10) COLLATE NOCASE,
    cNumero     TEXT(6) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_CAB ON CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA);

CREATE TABLE DET (
    TIP_DOC_D   INTEGER NOT NULL,
    DOC_ID_D    TEXT(15) COLLATE NOCASE NOT NULL,
    PERIODO     TEXT(6) COLLATE NOCASE NOT NULL,
    FORMULARIO  TEXT(4) COLLATE NOCASE NOT NULL,
    SEMANA      INTEGER NOT NULL DEFAULT 0,
    CASILLA     TEXT(3) COLLATE NOCASE NOT NULL,
    I_VALOR     TEXT(20) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_DET ON DET (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, CASILLA);

CREATE TABLE HCAB (
    TIP_DOC_D   INTEGER NOT NULL,
    DOC_ID_D    TEXT(15) COLLATE NOCASE NOT NULL,
    PERIODO     TEXT(6) COLLATE NOCASE NOT NULL,
    FORMULARIO  TEXT(4) COLLATE NOCASE NOT NULL,
    SEMANA      INTEGER NOT NULL DEFAULT 0,
    CORREL      TEXT(3) COLLATE NOCASE NOT NULL,
    NORDEN      TEXT(10) COLLATE NOCASE,
    FEC_ENV     DATETIME,
    CONTROL     TEXT(20) COLLATE NOCASE,
    estado      INTEGER,
    RECTIFICA   TEXT(1) COLLATE NOCASE,
    nrocheque   TEXT(10) COLLATE NOCASE,
    cNumero     TEXT(6) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_HCAB ON HCAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, CORREL);

CREATE TABLE HDET (
    TIP_DOC_D   INTEGER NOT NULL,
    DOC_ID_D    TEXT(15) COLLATE NOCASE NOT NULL,
    PERIODO     TEXT(6) COLLATE NOCASE NOT NULL,
    FORMULARIO  TEXT(4) COLLATE NOCASE NOT NULL,
    SEMANA      INTEGER NOT NULL DEFAULT 0,
    CORREL      TEXT(3) COLLATE NOCASE NOT NULL,
    CASILLA     TEXT(3) COLLATE NOCASE NOT NULL,
    I_VALOR     TEXT(20) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_HDET ON HDET (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, CORREL, CASILLA);

CREATE TABLE CONT (
    Tip_doc_d   INTEGER NOT NULL,
    Doc_id_d    TEXT(15) COLLATE NOCASE NOT NULL,
    Tip_per     TEXT(1) COLLATE NOCASE,
    Nombre      TEXT(100) COLLATE NOCASE,
    Direccion   TEXT(100) COLLATE NOCASE,
    Telefono    TEXT(15) COLLATE NOCASE,
    Usuario     TEXT(20) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_CONT ON CONT (Tip_doc_d, Doc_id_d);

CREATE TABLE CLAVES (
    Usuario     TEXT(20) COLLATE NOCASE NOT NULL,
    Nombre      TEXT(60) COLLATE NOCASE,
    Tipo        TEXT(1) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_CLAVES ON CLAVES (Usuario);

CREATE TABLE PARAM (
    Numero       TEXT(3) COLLATE NOCASE NOT NULL,
    Argumento    TEXT(20) COLLATE NOCASE NOT NULL,
    Funcion      TEXT(255) COLLATE NOCASE,
    Correl_Param TEXT(10) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_PARAM ON PARAM (Numero, Argumento);

CREATE TABLE Error (
    CodError    TEXT(4) COLLATE NOCASE NOT NULL,
    DescError   TEXT(255) COLLATE NOCASE
);
CREATE UNIQUE INDEX PK_Error ON Error (CodError);

-- No key on Archivo: registrations are numbered without a lock, and two of them may
-- obtain the same file number.
CREATE TABLE SPOOL (
    CodRep      TEXT(6) COLLATE NOCASE NOT NULL,
    Secuencia   TEXT(6) COLLATE NOCASE,
    Archivo     TEXT(12) COLLATE NOCASE,
    Fecha       DATETIME,
    Usuario     TEXT(20) COLLATE NOCASE,
    tip_doc_d   INTEGER,
    Doc_id_d    TEXT(15) COLLATE NOCASE
);
CREATE INDEX IX_SPOOL_CodRep ON SPOOL (CodRep);

CREATE TABLE reportes (
    CodRep      TEXT(6) COLLATE NOCASE NOT NULL,
    Titulo      TEXT(60) COLLATE NOCASE,
    Activo      INTEGER
);
CREATE UNIQUE INDEX PK_reportes ON reportes (CodRep);

CREATE TABLE envio_t (
    formulario   TEXT(4) COLLATE NOCASE NOT NULL,
    tabla_o      TEXT(20) COLLATE NOCASE NOT NULL,
    tabla_d      TEXT(20) COLLATE NOCASE,
    tabla_ext    TEXT(20) COLLATE NOCASE,
    indice       INTEGER,
    obliga       INTEGER,
    c_tip_doc_d  INTEGER,
    c_doc_id_d   INTEGER,
    c_Formulario INTEGER,
    c_periodo    INTEGER,
    c_estado     INTEGER,
    c_envio      INTEGER,
    c_semana     INTEGER
);
CREATE UNIQUE INDEX PK_envio_t ON envio_t (formulario, tabla_o);
