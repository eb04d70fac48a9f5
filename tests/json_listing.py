#!/usr/bin/env python3
"""Reads show_config -j's object on standard input, strictly: UTF-8, one JSON
document and nothing else, its schema version, and in every object each
member of MEMBERS in order, no other, null only where it does not apply.

  json_listing.py listing  prints the text listing the object stands for (each
                           string's code points as the bytes of the same
                           numbers), then "status N"
  json_listing.py tags     prints each tag as "flag hex(name) hex(value)"
  json_listing.py manual   reads the manual page (man/show_config.1 beside
                           this folder) and checks that its JSON LISTING
                           section names MEMBERS, in order, and the version,
                           and that its example has that shape

Exits 1 (with a traceback) when the object or the page is not what it should be."""
import json
import os
import sys

SCHEMA_VERSION = 1

# Every member of each kind of object, in order, under the heading that names
# the kind in the manual page's JSON LISTING section.
MEMBERS = {
    "The object": ["schema_version", "partition", "config", "config_II", "errors", "status"],
    "config": ["offset", "header", "tags", "state", "message", "default_first_word", "rebuild"],
    "config.header": ["version", "memsize", "flashsize", "systemfrequency", "cpufrequency", "feature_low",
                      "feature_high", "var_data"],
    "config.tags[]": ["name", "flag", "value", "line", "reason"],
    "config_II": ["offset", "records", "state", "message"],
    "config_II.records[]": ["offset", "type", "type_name", "version", "length"],
}

STATES = ("erased", "whole", "interrupted", "damaged")


def expect_members(obj, kind):
    assert isinstance(obj, dict) and list(obj) == MEMBERS[kind], (kind, obj)


def is_number(value, bits=32):
    return isinstance(value, int) and not isinstance(value, bool) and 0 <= value < 1 << bits


def expect_shape(listing):
    """Checks every object against MEMBERS, and each member's type and when
    it is null."""
    expect_members(listing, "The object")
    assert listing["schema_version"] == SCHEMA_VERSION and is_number(listing["schema_version"]), listing
    assert isinstance(listing["partition"], str) and is_number(listing["status"], 8), listing
    assert isinstance(listing["errors"], list) and all(isinstance(e, str) for e in listing["errors"]), listing
    config, region = listing["config"], listing["config_II"]
    assert (config is None) == (region is None), listing
    if config is None:
        return
    expect_members(config, "config")
    state = config["state"]
    assert config["offset"] == 0x580 and state in STATES, config
    written = state in ("whole", "damaged")
    assert (config["header"] is not None) == written and isinstance(config["tags"], list), config
    if written:
        expect_members(config["header"], "config.header")
        assert all(is_number(value) for value in config["header"].values()), config
    else:
        assert config["tags"] == [], config
    cut = state in ("interrupted", "damaged")
    assert isinstance(config["message"], str) if cut else config["message"] is None, config
    default = config["default_first_word"]
    assert default is None or (written and is_number(default) and default != config["header"]["version"]), config
    rebuild = config["rebuild"]
    assert rebuild is None or (state == "whole" and isinstance(rebuild, str)), config
    for tag in config["tags"]:
        expect_members(tag, "config.tags[]")
        assert all(isinstance(tag[member], str) for member in ("name", "flag", "value")), tag
        assert isinstance(tag["line"], bool) and (tag["reason"] is None) == tag["line"], tag
        assert tag["line"] or isinstance(tag["reason"], str), tag
    expect_members(region, "config_II")
    state = region["state"]
    assert region["offset"] == 0x980 and state in STATES, region
    cut = state in ("interrupted", "damaged")
    assert isinstance(region["message"], str) if cut else region["message"] is None, region
    assert isinstance(region["records"], list) and (state != "erased" or region["records"] == []), region
    for record in region["records"]:
        expect_members(record, "config_II.records[]")
        assert is_number(record["offset"]) and all(is_number(record[m], 8) for m in ("type", "version")), record
        assert is_number(record["length"], 16) and record["type_name"] in ("WLAN", "DECT", None), record


def latin1(string):
    assert isinstance(string, str)
    return string.encode("latin-1")


def escaped(string):
    return b"".join(b"\\x%02x" % c if c < 0x20 else bytes([c]) for c in latin1(string))


def config_lines(config):
    state = config["state"]
    if state == "erased":
        return [b"# config block at 0x%x: erased" % config["offset"]]
    lines = [b"# config block at 0x%x" % config["offset"]]
    if state == "interrupted":
        return lines + [b"ERROR: " + latin1(config["message"])]
    if config["default_first_word"] is not None:
        lines.append(b"# first word 0x%08x differs from the default header's 0x%08x, which set_config -i writes" %
                     (config["header"]["version"], config["default_first_word"]))
    for name, value in config["header"].items():
        lines.append(b"# %s 0x%08x" % (latin1(name), value))
    for tag in config["tags"]:
        name, flag, value = latin1(tag["name"]), latin1(tag["flag"]), latin1(tag["value"])
        assert flag in (b"overwrite", b"variable")
        if tag["line"]:
            lead = b" " if name.startswith(b"#") else b""
            lines.append(lead + name + b" " + flag + b" " + value)
        else:
            reason = latin1(tag["reason"])
            lines.append(b"# " + reason + b": " + escaped(tag["name"]) + b" " + flag + b" " + escaped(tag["value"]))
    if config["rebuild"] is not None:
        lines.append(b"# " + latin1(config["rebuild"]))
    if state == "damaged":
        lines.append(b"ERROR: " + latin1(config["message"]))
    return lines


def region_lines(region):
    state = region["state"]
    lines = [b"# Config_II region at 0x%x" % region["offset"]]
    for record in region["records"]:
        name = record["type_name"]
        kind = latin1(name) if name is not None else b"type %d" % record["type"]
        lines.append(b"# record at 0x%x: %s, version %d, length %d" %
                     (record["offset"], kind, record["version"], record["length"]))
    if state in ("interrupted", "damaged"):
        lines.append(b"ERROR: " + latin1(region["message"]))
    elif state == "erased":
        lines.append(b"# erased")
    else:
        assert region["records"], state
    return lines


def manual_members(page):
    """The members the JSON LISTING section of page (roff) names: for each
    heading (.SS) that MEMBERS has, the .B name of each .TP under it (no other
    heading has any); the first line of each member's paragraph; the example
    object (between .nf and .fi)."""
    lines = page.split("\n")
    section = lines[lines.index(".SH JSON LISTING") + 1:]
    section = section[:next(i for i, line in enumerate(section) if line.startswith(".SH "))]
    named, kind, first_lines = {}, None, {}
    for i, line in enumerate(section):
        if line.startswith(".SS "):
            kind = line[4:].strip('"')
            if kind in MEMBERS:
                named[kind] = []
        elif line == ".TP":
            assert kind in MEMBERS, "a member under %r" % kind
            member = section[i + 1]
            assert member.startswith(".B "), member
            named[kind].append(member[3:])
            first_lines[(kind, member[3:])] = section[i + 2]
    example = "\n".join(section[section.index(".nf") + 1:section.index(".fi")])
    return named, first_lines, json.loads(example)


def main():
    if sys.argv[1] == "manual":
        page = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "man", "show_config.1")
        with open(page, encoding="utf-8") as file:
            named, first_lines, example = manual_members(file.read())
        assert named == MEMBERS, named
        version = first_lines[("The object", "schema_version")]
        assert version.startswith("%d," % SCHEMA_VERSION), version
        expect_shape(example)
        print("%d kinds, %d members, version %d" % (len(named), sum(map(len, named.values())), SCHEMA_VERSION))
        return
    text = sys.stdin.buffer.read().decode("utf-8")
    assert text.endswith("}\n") and text.count("\n") == 1, "one line, one object"
    listing = json.loads(text)
    expect_shape(listing)
    if sys.argv[1] == "tags":
        for tag in listing["config"]["tags"]:
            print(tag["flag"], latin1(tag["name"]).hex(), latin1(tag["value"]).hex())
        return
    lines = []
    if listing["config"] is not None:
        lines += config_lines(listing["config"]) + region_lines(listing["config_II"])
    lines += [b"ERROR: " + latin1(error) for error in listing["errors"]]
    lines.append(b"status %d" % listing["status"])
    sys.stdout.buffer.write(b"".join(line + b"\n" for line in lines))


main()
