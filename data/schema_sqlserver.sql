-- DropScout database, SQL Server form (the operator's server). The program never creates or
-- alters these tables; this script documents them and builds a test server.

CREATE TABLE ldomainreg (
  lid           int IDENTITY(1,1) NOT NULL PRIMARY KEY,
  lname         nvarchar(100) NULL,
  lextend       nvarchar(20) NULL,
  lallname      nvarchar(120) NULL,
  llength       int NULL,
  lcompose      smallint NULL,
  lesp          smallint NULL,
  llang         smallint NULL,
  lregist       smallint NULL,
  lregtime      date NULL,
  louttime      date NULL,
  ldeltime      date NULL,
  lback         nvarchar(50) NULL,
  lbacktime     date NULL,
  lbackhostkind nvarchar(10) NULL,
  lbackname     nvarchar(200) NULL,
  lgooglepr     int NULL,
  lalexa        int NULL,
  lbaidusite    int NULL,
  lbaidudomain  int NULL
);
GO

CREATE TABLE ldomainhis (
  lid           int IDENTITY(1,1) NOT NULL PRIMARY KEY,
  lname         nvarchar(100) NULL,
  lextend       nvarchar(20) NULL,
  lallname      nvarchar(120) NULL,
  llength       int NULL,
  lcompose      smallint NULL,
  lesp          smallint NULL,
  llang         smallint NULL,
  lregist       smallint NULL,
  lregtime      date NULL,
  louttime      date NULL,
  ldeltime      date NULL,
  lback         nvarchar(50) NULL,
  lbacktime     date NULL,
  lbackhostkind nvarchar(10) NULL,
  lbackname     nvarchar(200) NULL,
  lgooglepr     int NULL,
  lalexa        int NULL,
  lbaidusite    int NULL,
  lbaidudomain  int NULL
);
GO

CREATE TABLE ldomainback (
  lid           int IDENTITY(1,1) NOT NULL PRIMARY KEY,
  lallname      nvarchar(120) NULL,
  lback         nvarchar(50) NULL,
  lbacktime     date NULL,
  lbackhost     nvarchar(200) NULL,
  lbackhostkind nvarchar(10) NULL,
  lbackname     nvarchar(200) NULL,
  lbackweb      nvarchar(400) NULL
);
GO

CREATE TABLE ldomainprice (
  lid     int IDENTITY(1,1) NOT NULL PRIMARY KEY,
  lextend nvarchar(20) NULL,
  lprice  nvarchar(50) NULL
);
GO

CREATE TABLE ldomainprom (
  lid      int IDENTITY(1,1) NOT NULL PRIMARY KEY,
  lprom    nvarchar(100) NULL,
  ltext    nvarchar(400) NULL,
  lweburl  nvarchar(400) NULL,
  ltimeend date NULL
);
GO

CREATE TABLE lad (
  lid      int IDENTITY(1,1) NOT NULL PRIMARY KEY,
  lkind    int NULL,
  ltext    nvarchar(400) NULL,
  laddress nvarchar(400) NULL,
  lnum     int NOT NULL DEFAULT 0
);
GO

CREATE TABLE lconfig_all (
  lver_domain     decimal(10,2) NULL,
  ldownurl_domain nvarchar(400) NULL,
  ldomainurl      nvarchar(400) NULL,
  lqqimg          nvarchar(400) NULL,
  lqqurl          nvarchar(400) NULL,
  ltaobaoimg      nvarchar(400) NULL,
  ltaobaourl      nvarchar(400) NULL,
  lbuyurl         nvarchar(400) NULL,
  llinkurl        nvarchar(400) NULL,
  lwhoisurl       nvarchar(400) NULL,
  lipurl          nvarchar(400) NULL,
  lipmessurl      nvarchar(400) NULL,
  lbaktext        nvarchar(max) NULL,
  lmailurl        nvarchar(400) NULL,
  lmail           nvarchar(400) NULL,
  lhomeurl        nvarchar(400) NULL,
  lqq             nvarchar(400) NULL,
  ltaobao         nvarchar(400) NULL,
  lbbsurl         nvarchar(400) NULL,
  lgbookurl       nvarchar(400) NULL,
  lchaturl        nvarchar(400) NULL,
  lweburl_domain  nvarchar(400) NULL,
  lblogurl        nvarchar(400) NULL,
  lseolist        nvarchar(max) NULL
);
GO

-- Indexes for the searches, the summary counts and the lookups by name and extension.
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
GO
