#!/usr/bin/perl
# Writes tests/data/golden/ntx_keys.tsv: the entries of NTX index files in the order DBD::XBase
# (Debian package libdbd-xbase-perl) walks them, so that tests/data/index/ntx_golden_test.cpp
# can check our reading and our writing against an independent reader without having it.
#
#   perl scripts/ntx_golden.pl [--tests BUILD/tests/data/index/data_index_tests] > tests/data/golden/ntx_keys.tsv
#
# Files dumped: the corpus index tests/data/corpus/ntx/ntx-char.ntx, and the fixture indexes our
# own code writes (tests/data/index/ntx_fixtures.h). The fixtures are written by running the
# test program's NtxFixtureFiles tests with TABRIX_NTX_FIXTURE_DIR set; that test writes them
# through the platform Env and keeps them there. --tests names the test program (default: the
# native build tree build/native).
#
# Only the module's documented interface is used: XBase::Index->new with the key type (the
# "type" that index_dump's --type option names), prepare_select, and fetch, which hands out
# (key, record) pairs in index order.
#
# Output: "=NAME<TAB>TYPE<TAB>N" per file (N entries), then one "KEY<TAB>RECORD" line per entry.
# KEY: the key as the module returns it (for NTX files the stored bytes, numeric keys in their
# stored text form too), bytes 0x20-0x7E as they are except "\", every other byte as \xHH,
# trailing blanks kept.
use strict;
use warnings;
use File::Basename qw(dirname);
use File::Spec;
use File::Temp qw(tempdir);
use Getopt::Long;
use XBase::Index;

my $root = File::Spec->rel2abs(dirname(__FILE__) . '/..');
my $tests = "$root/build/native/tests/data/index/data_index_tests";
GetOptions('tests=s' => \$tests) or die "usage: $0 [--tests PROGRAM]\n";

my $dir = tempdir(CLEANUP => 1);
{
  local $ENV{TABRIX_NTX_FIXTURE_DIR} = $dir;
  # The test program's report goes to stderr: stdout is the golden file.
  system("'$tests' --gtest_filter='NtxFixtureFiles.*' 1>&2") == 0
    or die "$tests failed: the fixtures were not written\n";
}

# The fixtures' key types, as the test writes them into fixtures.txt: "NAME TYPE" per line.
my @files = (['corpus/ntx/ntx-char', 'char', "$root/tests/data/corpus/ntx/ntx-char.ntx"]);
open(my $list, '<', "$dir/fixtures.txt") or die "no fixture list in $dir\n";
while (my $line = <$list>) {
  chomp $line;
  my ($name, $type) = split / /, $line;
  push @files, ["fixture/$name", $type, "$dir/$name.ntx"];
}
close $list;

sub escape {
  my ($s) = @_;
  $s =~ s/([^\x20-\x5B\x5D-\x7E])/sprintf('\\x%02X', ord($1))/ge;
  return $s;
}

binmode(STDOUT);
print "# NTX entries in DBD::XBase's order; made by scripts/ntx_golden.pl, do not edit.\n";
for my $f (@files) {
  my ($name, $type, $path) = @$f;
  my $index = XBase::Index->new($path, type => $type)
    or die "$path: " . XBase::Index->errstr . "\n";
  $index->prepare_select;
  my @rows;
  while (my ($key, $record) = $index->fetch) {
    push @rows, escape($key) . "\t$record";
  }
  print "=$name\t$type\t" . scalar(@rows) . "\n";
  print "$_\n" for @rows;
}
