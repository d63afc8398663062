-- DropScout database, SQLite form.
-- Statements are written for SQL Server and adapted on the fly, so names and meanings match
-- schema_sqlserver.sql exactly. Dates are TEXT in the form YYYY-MM-DD (or YYYY-MM-DD HH:MM:SS):
-- SQLite's date functions read that form, and it compares and sorts in date order as plain text.
-- A column declared DATE would get NUMERIC affinity, which is why the date columns say TEXT.
-- Names and extensions compare without regard to letter case, as under the server's default
-- collation; that also lets LIKE 'abc%' use the name index.

CREATE TABLE ldomainreg (
  lid           INTEGER PRIMARY KEY,
  lname         TEXT COLLATE NOCASE,
  lextend       TEXT COLLATE NOCASE,
  lallname      TEXT COLLATE NOCASE,
  llength       INTEGER,
  lcompose      INTEGER,
  lesp          INTEGER,
  llang         INTEGER,
  lregist       INTEGER,
  lregtime      TEXT,
  louttime      TEXT,
  ldeltime      TEXT,
  lback         TEXT,
  lbacktime     TEXT,
  lbackhostkind TEXT,
  lbackname     TEXT,
  lgooglepr     INTEGER,
  lalexa        INTEGER,
  lbaidusite    INTEGER,
  lbaidudomain  INTEGER
);

CREATE TABLE ldomainhis (
  lid           INTEGER PRIMARY KEY,
  lname         TEXT COLLATE NOCASE,
  lextend       TEXT COLLATE NOCASE,
  lallname      TEXT COLLATE NOCASE,
  llength       INTEGER,
  lcompose      INTEGER,
  lesp          INTEGER,
  llang         INTEGER,
  lregist       INTEGER,
  lregtime      TEXT,
  louttime      TEXT,
  ldeltime      TEXT,
  lback         TEXT,
  lbacktime     TEXT,
  lbackhostkind TEXT,
  lbackname     TEXT,
  lgooglepr     INTEGER,
  lalexa        INTEGER,
  lbaidusite    INTEGER,
  lbaidudomain  INTEGER
);

CREATE TABLE ldomainback (
  lid           INTEGER PRIMARY KEY,
  lallname      TEXT COLLATE NOCASE,
  lback         TEXT,
  lbacktime     TEXT,
  lbackhost     TEXT,
  lbackhostkind TEXT,
  lbackname     TEXT,
  lbackweb      TEXT
);

CREATE TABLE ldomainprice (
  lid     INTEGER PRIMARY KEY,
  lextend TEXT COLLATE NOCASE,
  lprice  TEXT
);

CREATE TABLE ldomainprom (
  lid      INTEGER PRIMARY KEY,
  lprom    TEXT,
  ltext    TEXT,
  lweburl  TEXT,
  ltimeend TEXT
);

CREATE TABLE lad (
  lid      INTEGER PRIMARY KEY,
  lkind    INTEGER,
  ltext    TEXT,
  laddress TEXT,
  lnum     INTEGER
);

CREATE TABLE lconfig_all (
  lver_domain     REAL,
  ldownurl_domain TEXT,
  ldomainurl      TEXT,
  lqqimg          TEXT,
  lqqurl          TEXT,
  ltaobaoimg      TEXT,
  ltaobaourl      TEXT,
  lbuyurl         TEXT,
  llinkurl        TEXT,
  lwhoisurl       TEXT,
  lipurl          TEXT,
  lipmessurl      TEXT,
  lbaktext        TEXT,
  lmailurl        TEXT,
  lmail           TEXT,
  lhomeurl        TEXT,
  lqq             TEXT,
  ltaobao         TEXT,
  lbbsurl         TEXT,
  lgbookurl       TEXT,
  lchaturl        TEXT,
  lweburl_domain  TEXT,
  lblogurl        TEXT,
  lseolist        TEXT
);

-- @indexes
-- Created after bulk loading (the demo generator loads first, then indexes). The single-column
-- indexes on the metrics let the summary counts (COUNT(*) ... where lgooglepr>N and friends) be
-- answered from the index alone.
CREATE INDEX ix_ldomainreg_lregist ON ldomainreg (lregist);
CREATE INDEX ix_ldomainreg_ldeltime ON ldomainreg (ldeltime);
CREATE INDEX ix_ldomainreg_lname ON ldomainreg (lname);
CREATE INDEX ix_ldomainreg_lgooglepr ON ldomainreg (lgooglepr);
CREATE INDEX ix_ldomainreg_lalexa ON ldomainreg (lalexa);
CREATE INDEX ix_ldomainreg_lbaidusite ON ldomainreg (lbaidusite);
CREATE INDEX ix_ldomainreg_lbaidudomain ON ldomainreg (lbaidudomain);
CREATE INDEX ix_ldomainhis_lregist ON ldomainhis (lregist);
CREATE INDEX ix_ldomainhis_ldeltime ON ldomainhis (ldeltime);
CREATE INDEX ix_ldomainhis_lname ON ldomainhis (lname);
CREATE INDEX ix_ldomainhis_lgooglepr ON ldomainhis (lgooglepr);
CREATE INDEX ix_ldomainhis_lalexa ON ldomainhis (lalexa);
CREATE INDEX ix_ldomainhis_lbaidusite ON ldomainhis (lbaidusite);
CREATE INDEX ix_ldomainhis_lbaidudomain ON ldomainhis (lbaidudomain);
CREATE INDEX ix_ldomainback_lallname ON ldomainback (lallname);
CREATE INDEX ix_ldomainprice_lextend ON ldomainprice (lextend);
CREATE INDEX ix_ldomainprom_ltimeend ON ldomainprom (ltimeend);
CREATE INDEX ix_lad_lkind ON lad (lkind);

-- @name-index
-- Keyword searches ask for "lname like '%abc%'" and "lname like '%abc'", which no B-tree can serve.
-- A trigram index over lname answers them: the SQLite backend narrows such a search to the rows whose
-- name holds the keyword's trigrams, and the LIKE itself still decides. The index reads names from the
-- domain table (content=) instead of keeping a second copy, and keeps no per-row sizes (columnsize=0)
-- since nothing ranks matches; the triggers keep it in step with every change of a name.
CREATE VIRTUAL TABLE ldomainreg_fts USING fts5(lname, content='ldomainreg', content_rowid='lid',
  tokenize='trigram', columnsize=0);
CREATE TRIGGER ldomainreg_fts_insert AFTER INSERT ON ldomainreg BEGIN
  INSERT INTO ldomainreg_fts (rowid, lname) VALUES (new.lid, new.lname);
END;
CREATE TRIGGER ldomainreg_fts_delete AFTER DELETE ON ldomainreg BEGIN
  INSERT INTO ldomainreg_fts (ldomainreg_fts, rowid, lname) VALUES ('delete', old.lid, old.lname);
END;
CREATE TRIGGER ldomainreg_fts_update AFTER UPDATE OF lid, lname ON ldomainreg BEGIN
  INSERT INTO ldomainreg_fts (ldomainreg_fts, rowid, lname) VALUES ('delete', old.lid, old.lname);
  INSERT INTO ldomainreg_fts (rowid, lname) VALUES (new.lid, new.lname);
END;
CREATE VIRTUAL TABLE ldomainhis_fts USING fts5(lname, content='ldomainhis', content_rowid='lid',
  tokenize='trigram', columnsize=0);
CREATE TRIGGER ldomainhis_fts_insert AFTER INSERT ON ldomainhis BEGIN
  INSERT INTO ldomainhis_fts (rowid, lname) VALUES (new.lid, new.lname);
END;
CREATE TRIGGER ldomainhis_fts_delete AFTER DELETE ON ldomainhis BEGIN
  INSERT INTO ldomainhis_fts (ldomainhis_fts, rowid, lname) VALUES ('delete', old.lid, old.lname);
END;
CREATE TRIGGER ldomainhis_fts_update AFTER UPDATE OF lid, lname ON ldomainhis BEGIN
  INSERT INTO ldomainhis_fts (ldomainhis_fts, rowid, lname) VALUES ('delete', old.lid, old.lname);
  INSERT INTO ldomainhis_fts (rowid, lname) VALUES (new.lid, new.lname);
END;
