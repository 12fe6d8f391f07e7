-- Demo clinic data, loaded once when the demo database is created.
INSERT INTO QDAT.PACIENT (ID, PRIIMEK, IME, DATUM_ROJSTVA, SPOL, KZZ, TELEFON) VALUES
  (1, 'Novak', 'Ana', '1984-03-12 00:00:00', 'Z', '012345678', '041 123 456'),
  (2, 'Horvat', 'Marko', '1951-11-02 00:00:00', 'M', '023456789', '031 222 333'),
  (3, 'Kovačič', 'Špela', '1999-07-30 00:00:00', 'Z', '034567890', '040 987 654'),
  (4, 'Krajnc', 'Janez', '1938-01-15 00:00:00', 'M', '045678901', '01 432 10 00'),
  (5, 'Zupančič', 'Maja', '2012-05-05 00:00:00', 'Z', '056789012', '051 600 700'),
  (6, 'Potočnik', 'Žiga', '1976-09-21 00:00:00', 'M', '067890123', '041 555 010'),
  (7, 'Kovač', 'Nina', '1990-12-24 00:00:00', 'Z', '078901234', '070 321 123'),
  (8, 'Mlakar', 'Tomaž', '1965-02-28 00:00:00', 'M', '089012345', '02 250 40 40');

-- Contacts, their activities and requests, chosen doctors and locations.
-- SIFRA101 is the patient's ID as text.
INSERT INTO QDAT.PR231CON (SIFRA231, SIFRA101, SIFRA031, SIFRA051, DATUM231, STATE231, STAT_231) VALUES
  (1001, '1', '00110', '12345', '2026-03-02 08:15:00', 'O', '1'),
  (1002, '2', '00110', '23456', '2026-03-02 09:40:00', 'Z', '1'),
  (1003, '3', '00120', '34567', '2026-03-03 10:05:00', 'O', '1'),
  (1004, '4', '00130', '45678', '2026-03-03 11:30:00', 'P', '0');

INSERT INTO QDAT.PR210REQ (SIFRA210, SIFRR231, SIFRA031, DATUM210, OPIS_210) VALUES
  (501, 1001, '00110', '2026-02-27 00:00:00', 'Napotnica za kontrolni pregled'),
  (502, 1003, '00120', '2026-03-01 00:00:00', 'Sistematski pregled otroka'),
  (503, NULL, '00900', '2026-03-04 00:00:00', 'Laboratorijske preiskave krvi');

INSERT INTO QDAT.PR260AK0 (SIFRA260, SIFRA231, TYPE_260, SIFRA051, SIFRA031, SIFRA060, SIFRA061, PRIOR260, STATE260, DATUM260, STAT_260) VALUES
  (9001, 1001, 'K', '12345', '00110', 'PREG', 'SA', '2', 'Z', '2026-03-02 08:20:00', '1'),
  (9002, 1001, 'S', '12345', '00110', 'EKG', 'SA', '2', 'Z', '2026-03-02 08:45:00', '1'),
  (9003, 1002, 'K', '23456', '00110', 'PREG', 'SA', '1', 'O', '2026-03-02 09:45:00', '1'),
  (9004, 1003, 'K', '34567', '00120', 'SIST', 'PED', '3', 'N', '2026-03-03 10:10:00', '1');

INSERT INTO QDAT.PR135SDR (SIFRA135, SIFRA101, SIFRA051, DATOD135, DATDO135, STAT_135) VALUES
  (1, '1', '12345', '2015-01-01 00:00:00', NULL, '1'),
  (2, '2', '12345', '2010-06-15 00:00:00', '2024-12-31 00:00:00', '1'),
  (3, '2', '23456', '2025-01-01 00:00:00', NULL, '1'),
  (4, '5', '34567', '2012-05-20 00:00:00', NULL, '1');

INSERT INTO QDAT.PO261PER (SIFRA261, SIFRA031, STAT_261) VALUES
  ('TRAKT-A', '00110', '1'),
  ('TRAKT-A', '00120', '1'),
  ('TRAKT-B', '00130', '1'),
  ('TRAKT-B', '00900', '0');

-- Allergies, warnings and medical aids of some patients.
INSERT INTO QDAT.PACIENT_OPOZORILA (PACIENT_ID, ALERGIJE, OPOZORILA, PRIPOMOCKI) VALUES
  (1, 'PENICILIN,LATEKS', 'NOSECNOST', '0102'),
  (2, 'NSAR,JOD,OSA', 'ANTIKOAG,PADEC,SPODBUJ', '0101,0201,0301'),
  (4, 'SULFONAMID', 'PADEC,INSULIN', '0301');

INSERT INTO QDAT.RECEPT (ID, PACIENT_ID, ZDRAVILO, KOLICINA, DATUM, NAVODILO) VALUES
  (1, 2, 'B01AC06', 1, '2026-03-02 00:00:00', '1 tableta zjutraj'),
  (2, 2, 'C09AA05', 1, '2026-03-02 00:00:00', '1 tableta zvečer'),
  (3, 2, 'N02BE01', 2.5, '2026-03-02 00:00:00', 'ob bolečinah, največ 3-krat na dan'),
  (4, 1, 'A02BC01', 1, '2026-03-02 00:00:00', 'pred zajtrkom');
