-- The six tables of Kestrune's database storage, for SQLite (the SQLite3 ODBC driver).
-- ID columns are assigned by the database; the program never creates or alters tables.
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
CREATE TABLE IF NOT EXISTS tblPages (
  ID INTEGER PRIMARY KEY,
  PageName VARCHAR(255),
  SiteIP VARCHAR(255)
);
CREATE INDEX IF NOT EXISTS ixPagesPageName ON tblPages (PageName);
CREATE TABLE IF NOT EXISTS tblRefs (
  ID INTEGER PRIMARY KEY,
  Host VARCHAR(255),
  URL VARCHAR(255),
  SiteIP VARCHAR(255),
  Count INTEGER NOT NULL DEFAULT 0,
  Last TIMESTAMP
);
CREATE INDEX IF NOT EXISTS ixRefsURL ON tblRefs (URL, SiteIP);
CREATE TABLE IF NOT EXISTS tblDownloads (
  ID INTEGER PRIMARY KEY,
  FileName VARCHAR(255),
  SiteIP VARCHAR(255),
  Count INTEGER NOT NULL DEFAULT 0,
  Last TIMESTAMP
);
CREATE INDEX IF NOT EXISTS ixDownloadsFileName ON tblDownloads (FileName, SiteIP);
CREATE TABLE IF NOT EXISTS tblErrors (
  ID INTEGER PRIMARY KEY,
  Error INTEGER,
  PageName VARCHAR(255),
  SiteIP VARCHAR(255),
  ReferringURL VARCHAR(255),
  Count INTEGER NOT NULL DEFAULT 0,
  Last TIMESTAMP
);
CREATE INDEX IF NOT EXISTS ixErrorsPageName ON tblErrors (PageName, SiteIP, Error, ReferringURL);
-- The analysis reads tblLogs through these: by date (and within a day by visitor), and
-- by page. Each holds every column the analysis reads, so the table itself is not read.
CREATE INDEX IF NOT EXISTS ixLogsDate ON tblLogs (Date, Visitor, SiteIP, Statuscode, Page, Bytes);
CREATE INDEX IF NOT EXISTS ixLogsPage ON tblLogs (Page, Visitor, Date, SiteIP, Statuscode, Bytes);
