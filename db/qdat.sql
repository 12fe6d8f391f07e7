-- The application schema QDAT as the embedded database holds it.
-- Dates are stored as ISO text ('YYYY-MM-DD HH:MM:SS') in columns declared
-- DATE, which the data sets read back as date-time values.

CREATE TABLE IF NOT EXISTS QDAT.PACIENT (
  ID            INTEGER PRIMARY KEY,
  PRIIMEK       VARCHAR(40) NOT NULL,
  IME           VARCHAR(40) NOT NULL,
  DATUM_ROJSTVA DATE,
  SPOL          VARCHAR(1),
  KZZ           VARCHAR(9),
  TELEFON       VARCHAR(20),
  DATUM_IPL     DATE,
  USER_IPL      VARCHAR(20)
);

CREATE INDEX IF NOT EXISTS QDAT.PACIENT_PRIIMEK ON PACIENT (PRIIMEK, IME);
