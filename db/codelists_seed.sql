-- Code lists of the framework with realistic entries; loaded into the demo
-- and test databases.
INSERT INTO QDAT.SIFRANT (IME, NAZIV, TABELA, POLJE_SIFRA, POLJE_OPIS, POLJE_KRATKO, POLJE_PREVOD, POLJE_VELJA, UREDI, SIRINA, VELIKE) VALUES
  ('KR031ORG', 'Organizacijske enote', 'QDAT.KR031ORG', 'SIFRA031', 'NAZIV031', 'KRATKO031', NULL, NULL, 'SIFRA031', 5, 1),
  ('KR051ACR', 'Izvajalci', 'QDAT.KR051ACR', 'SIFRA051', 'NAZIV051', 'KRATKO051', NULL, NULL, 'NAZIV051', 5, 1),
  ('KA000P66', 'Zavarovalne podlage', 'QDAT.KA000P66', 'SIFRAP66', 'OPISP66', NULL, NULL, NULL, 'SIFRAP66', 6, 0),
  ('KA017INS', 'Zavarovalnice', 'QDAT.KA017INS', 'SIFRAINS', 'OPISINS', NULL, 'PREVODINS', NULL, 'SIFRAINS', 2, 0),
  ('MA014OP0', 'Medicinski pripomočki', 'QDAT.MA014OP0', 'SIFRAOP0', 'OPISOP0', NULL, 'PREVODOP0', NULL, 'SIFRAOP0', 4, 0);

INSERT INTO QDAT.KR031ORG (SIFRA031, NAZIV031, KRATKO031, NADREJ031, INTER031) VALUES
  ('00100', 'Zdravstveni dom Ljubljana', 'ZD LJ', NULL, 'N'),
  ('00110', 'Splošna ambulanta Bežigrad', 'SA Bežigrad', '00100', 'N'),
  ('00120', 'Pediatrična ambulanta Šiška', 'Pediatrija Šiška', '00100', 'N'),
  ('00130', 'Zobozdravstvo Center', 'Zobozdr. Center', '00100', 'N'),
  ('00900', 'Laboratorij', 'Laboratorij', '00100', 'D');

INSERT INTO QDAT.KR051ACR (SIFRA051, NAZIV051, KRATKO051, SIFRA031) VALUES
  ('12345', 'dr. Ana Novak, dr. med.', 'Novak A.', '00110'),
  ('23456', 'dr. Marko Horvat, dr. med.', 'Horvat M.', '00110'),
  ('34567', 'dr. Špela Kovačič, dr. med.', 'Kovačič Š.', '00120'),
  ('45678', 'Janez Krajnc, dipl. m. s.', 'Krajnc J.', '00130');

INSERT INTO QDAT.KA000P66 (SIFRAP66, OPISP66) VALUES
  ('001001', 'Delavec v delovnem razmerju'),
  ('001002', 'Delavec, napoten na delo v tujino'),
  ('010101', 'Samozaposlena oseba'),
  ('035001', 'Upokojenec'),
  ('101001', 'Otrok do 18. leta kot družinski član');

INSERT INTO QDAT.KA017INS (SIFRAINS, OPISINS, PREVODINS) VALUES
  ('01', 'Vzajemna zdravstvena zavarovalnica', '01'),
  ('02', 'Triglav, Zdravstvena zavarovalnica', '02'),
  ('03', 'Generali zavarovalnica', '03'),
  ('04', 'Zavod za zdravstveno zavarovanje Slovenije', '04');

INSERT INTO QDAT.MA014OP0 (SIFRAOP0, OPISOP0, PREVODOP0) VALUES
  ('0101', 'Očala za daljavo', '0101'),
  ('0102', 'Očala za bližino', '0102'),
  ('0201', 'Slušni aparat', '0201'),
  ('0301', 'Bergle, par', '0301'),
  ('301', 'Bergle, par (stara šifra)', '0301');

INSERT INTO QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, FORMAT, VELJA_OD, VELJA_DO, VRSTNI_RED) VALUES
  ('SPOL', 'M', 'moški', NULL, NULL, NULL, 1),
  ('SPOL', 'Z', 'ženski', NULL, NULL, NULL, 2),
  ('RTD', 'A', 'Akutna diagnoza', 'ImageIndexForState=10;Barva=clRed', NULL, NULL, 1),
  ('RTD', 'K', 'Kronična diagnoza', 'ImageIndexForState=14;Barva=clNavy', NULL, NULL, 2),
  ('RTD', 'S', 'Stanje po', 'ImageIndexForState=18', NULL, NULL, 3),
  ('Z05', '01', 'Aktivni zavarovanec', NULL, NULL, NULL, 1),
  ('Z05', '02', 'Družinski član', NULL, NULL, NULL, 2),
  ('Z05', '03', 'Upokojenec', NULL, NULL, NULL, 3),
  ('P86', '1', 'Redni plačnik prispevkov', NULL, NULL, NULL, 1),
  ('P86', '2', 'Plačnik prispevkov z zamudo', NULL, NULL, NULL, 2),
  ('P86', '3', 'Neplačnik prispevkov', NULL, NULL, '2019-12-31 00:00:00', 3),
  ('P88', '1', 'Urejeno obvezno zavarovanje', NULL, NULL, NULL, 1),
  ('P88', '2', 'Neurejeno obvezno zavarovanje', NULL, NULL, NULL, 2),
  ('P89', '1', 'Polni obseg kritja', NULL, NULL, NULL, 1),
  ('P89', '2', 'Nujno zdravljenje', NULL, NULL, NULL, 2),
  ('P93', 'D', 'Da, ima pravico', NULL, NULL, NULL, 1),
  ('P93', 'N', 'Ne, nima pravice', NULL, NULL, NULL, 2),
  ('Z44', '1', 'Zavarovana oseba', NULL, NULL, NULL, 1),
  ('Z44', '2', 'Družinski član zavarovane osebe', NULL, NULL, NULL, 2),
  ('GV8', '1', 'Nosečnost normalna', NULL, NULL, NULL, 1),
  ('GV8', '2', 'Tvegana nosečnost', NULL, NULL, NULL, 2),
  ('GC2', '01', 'Bolezen', NULL, NULL, NULL, 1),
  ('GC2', '02', 'Poškodba izven dela', NULL, NULL, NULL, 2),
  ('GC2', '04', 'Poškodba pri delu', NULL, NULL, NULL, 3),
  ('GC2', '06', 'Nega družinskega člana', NULL, NULL, NULL, 4),
  ('Q79', 'XXX.XX1', 'Natisni dokument', NULL, NULL, NULL, 1),
  ('Q79', 'XXX.XX2', 'Avtoriziraj dokument', NULL, NULL, NULL, 2),
  ('Q79', 'XXX.XX3', 'Pošlji dokument', NULL, NULL, NULL, 3),
  ('PF2', 'OPOMBA', 'Opomba zdravnika', NULL, NULL, NULL, 1),
  ('PF2', 'POPRAVEK', 'Popravek izvida', 'format: $255:Popravek $0: izvida', NULL, NULL, 2),
  ('PF2', 'ZAVRNITEV', 'Zavrnitev podpisa', NULL, NULL, NULL, 3);

-- Allergies, and warnings drawn in their colours ("$" and the colour in
-- hexadecimal, red in the low byte).
INSERT INTO QDAT.SKUP_SIFRANT (SKUPINA, SIFRA, OPIS, FORMAT, VELJA_OD, VELJA_DO, VRSTNI_RED) VALUES
  ('ALERGIJE', 'PENICILIN', 'Penicilin in drugi betalaktamski antibiotiki', NULL, NULL, NULL, 1),
  ('ALERGIJE', 'SULFONAMID', 'Sulfonamidi (kotrimoksazol)', NULL, NULL, NULL, 2),
  ('ALERGIJE', 'NSAR', 'Nesteroidni antirevmatiki (ibuprofen, diklofenak)', NULL, NULL, NULL, 3),
  ('ALERGIJE', 'ASK', 'Acetilsalicilna kislina', NULL, NULL, NULL, 4),
  ('ALERGIJE', 'JOD', 'Jodna kontrastna sredstva', NULL, NULL, NULL, 5),
  ('ALERGIJE', 'LATEKS', 'Lateks (rokavice, katetri)', NULL, NULL, NULL, 6),
  ('ALERGIJE', 'OBLIZ', 'Lepilo obližev', NULL, NULL, NULL, 7),
  ('ALERGIJE', 'ARASIDI', 'Arašidi in drugi oreščki', NULL, NULL, NULL, 8),
  ('ALERGIJE', 'OSA', 'Pik ose ali čebele', NULL, NULL, NULL, 9),
  ('OPOZORILA', 'ANTIKOAG', 'Antikoagulantno zdravljenje', 'format: $0000C0:Antikoagulanti $000000:– nevarnost krvavitve', NULL, NULL, 1),
  ('OPOZORILA', 'MRSA', 'Nosilec MRSA', 'format: $0000C0:MRSA $000000:– kontaktna izolacija', NULL, NULL, 2),
  ('OPOZORILA', 'PADEC', 'Nevarnost padca', 'format: $0070E0:Nevarnost padca $000000:– spremstvo pri hoji', NULL, NULL, 3),
  ('OPOZORILA', 'SPODBUJ', 'Srčni spodbujevalnik', 'format: $B05000:Srčni spodbujevalnik $000000:– brez slikanja z MR', NULL, NULL, 4),
  ('OPOZORILA', 'NOSECNOST', 'Nosečnost', 'format: $A000A0:Nosečnost $000000:– rentgen le z zaščito', NULL, NULL, 5),
  ('OPOZORILA', 'INSULIN', 'Sladkorna bolezen, zdravljenje z insulinom', NULL, NULL, NULL, 6),
  ('OPOZORILA', 'EPILEPSIJA', 'Epilepsija', NULL, NULL, NULL, 7);

INSERT INTO QDAT.KA120PA0 (SIFZZ120, SIFR1120, OPIS120) VALUES
  ('DZZ', 'DOPOLNILNO', 'Dopolnilno zdravstveno zavarovanje'),
  ('ZOB', 'ZOBJE', 'Zavarovanje zobnih storitev'),
  ('NAD', 'NADSTANDARD', 'Nadstandardne zdravstvene storitve'),
  ('TUJ', 'TUJINA', 'Zdravstveno zavarovanje z asistenco v tujini');

-- QDAT.KA903RBM holds pictures only: its rows are written by the programs
-- that store them (a binary literal reads differently on each database).

INSERT INTO QDAT.SIFRANT (IME, NAZIV, TABELA, POLJE_SIFRA, POLJE_OPIS, POLJE_KRATKO, POLJE_PREVOD, POLJE_VELJA, UREDI, SIRINA, VELIKE) VALUES
  ('ZDRAVILA', 'Zdravila', 'QDAT.ZDRAVILA', 'SIFRAZDR', 'NAZIVZDR', 'KRATKOZDR', NULL, NULL, 'SIFRAZDR', 7, 1);

INSERT INTO QDAT.ZDRAVILA (SIFRAZDR, NAZIVZDR, KRATKOZDR) VALUES
  ('A02BC01', 'Omeprazol 20 mg, trde kapsule', 'Omeprazol'),
  ('B01AC06', 'Acetilsalicilna kislina 100 mg, tablete', 'Aspirin'),
  ('C07AB07', 'Bisoprolol 5 mg, tablete', 'Bisoprolol'),
  ('C09AA05', 'Ramipril 5 mg, tablete', 'Ramipril'),
  ('J01CA04', 'Amoksicilin 500 mg, kapsule', 'Amoksicilin'),
  ('N02BE01', 'Paracetamol 500 mg, tablete', 'Paracetamol'),
  ('R06AE07', 'Cetirizin 10 mg, filmsko obložene tablete', 'Cetirizin');
