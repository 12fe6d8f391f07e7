-- The application schema QDAT as the embedded database and the PostgreSQL
-- test database hold it (the statements run unchanged on both).
-- Date columns are TIMESTAMP: ISO text on SQLite, timestamps on PostgreSQL;
-- the data sets read both back as date-time values.

CREATE TABLE IF NOT EXISTS QDAT.PACIENT (
  ID            BIGINT PRIMARY KEY,
  PRIIMEK       VARCHAR(40) NOT NULL,
  IME           VARCHAR(40) NOT NULL,
  DATUM_ROJSTVA TIMESTAMP,
  SPOL          VARCHAR(1),
  KZZ           VARCHAR(9),
  TELEFON       VARCHAR(20),
  DATUM_IPL     TIMESTAMP,
  USER_IPL      VARCHAR(30)
);
