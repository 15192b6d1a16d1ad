-- The tables of Kestrune's database storage, for SQLite (the SQLite3 ODBC driver).
-- ID columns are assigned by the database; the program never creates or alters tables.
-- Run again on a database of an earlier version (scripts/setup-database does), it adds
-- what is missing. Each unique index uxName on a lookup key replaces the plain index
-- ixName of earlier versions; scripts/setup-database leaves out both the uxName line and
-- the DROP of ixName while the table holds duplicate keys.
CREATE TABLE IF NOT EXISTS tblLogs (
  ID INTEGER PRIMARY KEY,
  Page INTEGER,
  Referrer INTEGER,
  SiteIP VARCHAR(255),
  Visitor INTEGER,
  Date TIMESTAMP,
  GET BOOLEAN,
  HEAD BOOLEAN,
  Bytes INTEGER,
  Statuscode INTEGER,
  TimeTaken INTEGER,
  HTTPVersion VARCHAR(255),
  Port INTEGER
);
CREATE TABLE IF NOT EXISTS tblVisitors (
  ID INTEGER PRIMARY KEY,
  Visitor VARCHAR(255),
  IP VARCHAR(255),
  SE BOOLEAN NOT NULL DEFAULT 0,
  Last TIMESTAMP,
  Count INTEGER NOT NULL DEFAULT 0,
  SessionDownloaded BOOLEAN NOT NULL DEFAULT 0,
  Downloaded BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ixVisitorsIP ON tblVisitors (IP);
CREATE UNIQUE INDEX IF NOT EXISTS uxVisitorsVisitor ON tblVisitors (Visitor);
CREATE TABLE IF NOT EXISTS tblPages (
  ID INTEGER PRIMARY KEY,
  PageName VARCHAR(255),
  SiteIP VARCHAR(255)
);
CREATE UNIQUE INDEX IF NOT EXISTS uxPagesPageName ON tblPages (PageName);
CREATE TABLE IF NOT EXISTS tblRefs (
  ID INTEGER PRIMARY KEY,
  Host VARCHAR(255),
  URL VARCHAR(255),
  SiteIP VARCHAR(255),
  Count INTEGER NOT NULL DEFAULT 0,
  Last TIMESTAMP
);
CREATE UNIQUE INDEX IF NOT EXISTS uxRefsURL ON tblRefs (URL, SiteIP);
CREATE TABLE IF NOT EXISTS tblDownloads (
  ID INTEGER PRIMARY KEY,
  FileName VARCHAR(255),
  SiteIP VARCHAR(255),
  Count INTEGER NOT NULL DEFAULT 0,
  Last TIMESTAMP
);
CREATE UNIQUE INDEX IF NOT EXISTS uxDownloadsFileName ON tblDownloads (FileName, SiteIP);
CREATE TABLE IF NOT EXISTS tblErrors (
  ID INTEGER PRIMARY KEY,
  Error INTEGER,
  PageName VARCHAR(255),
  SiteIP VARCHAR(255),
  ReferringURL VARCHAR(255),
  Count INTEGER NOT NULL DEFAULT 0,
  Last TIMESTAMP
);
CREATE UNIQUE INDEX IF NOT EXISTS uxErrorsPageName ON tblErrors (PageName, SiteIP, Error, ReferringURL);
-- One row for each stored file, written in the file's transaction: the content from its
-- first byte to Size (SHA-256 in hexadecimal) has been stored, Lines lines of it.
CREATE TABLE IF NOT EXISTS tblFiles (
  ID INTEGER PRIMARY KEY,
  FileName VARCHAR(255),
  Size INTEGER,
  SHA256 VARCHAR(64),
  Lines INTEGER,
  Stored TIMESTAMP,
  SiteIP VARCHAR(255)
);
CREATE INDEX IF NOT EXISTS ixFilesFileName ON tblFiles (FileName);
CREATE UNIQUE INDEX IF NOT EXISTS uxFilesContent ON tblFiles (SHA256, Size);
-- The plain indexes of earlier versions that the unique ones above replace.
DROP INDEX IF EXISTS ixPagesPageName;
DROP INDEX IF EXISTS ixRefsURL;
DROP INDEX IF EXISTS ixDownloadsFileName;
DROP INDEX IF EXISTS ixErrorsPageName;
-- The analysis reads tblLogs through this one by date (and within a day by visitor). It
-- holds every column the analysis reads, so the table itself is not read. (An index by
-- page would speed up the page list over long periods, but would slow every stored entry
-- down by half again; the analysis uses it when a database has one.)
CREATE INDEX IF NOT EXISTS ixLogsDate ON tblLogs (Date, Visitor, SiteIP, Statuscode, Page, Bytes);
