-- The install service's events. Every instance applies this file when it connects, so it
-- only ever adds: a later version appends its statements below and records its number.
BEGIN;
-- Instances that start together apply it one after the other.
SELECT pg_advisory_xact_lock(4711022);

CREATE TABLE IF NOT EXISTS install_schema (
    version integer PRIMARY KEY,
    applied_at timestamptz NOT NULL DEFAULT now()
);

-- Version 1: one row per event; "detail" is the event's whole JSON-lines object.
CREATE TABLE IF NOT EXISTS install_events (
    event_id text PRIMARY KEY,  -- made by the service: a replayed event is stored once
    at timestamptz NOT NULL,
    event text NOT NULL,
    guid text NOT NULL,
    comname text NOT NULL,
    appid text NOT NULL,
    client text NOT NULL,
    detail jsonb NOT NULL,
    stored_at timestamptz NOT NULL DEFAULT clock_timestamp()
);
CREATE INDEX IF NOT EXISTS install_events_at ON install_events (at);
CREATE INDEX IF NOT EXISTS install_events_guid ON install_events (guid);
INSERT INTO install_schema (version) VALUES (1) ON CONFLICT DO NOTHING;

COMMIT;
