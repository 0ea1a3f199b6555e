#!/usr/bin/perl
# Dumps a table through DBD::XBase (Debian package libdbd-xbase-perl, module XBase) as JSON
# lines in the form scripts/compare_readers.py reads (described there).
#
#   perl xbase_reader.pl TABLE.DBF
#
# Every record is read, deleted ones included, with the values the module returns: numbers as
# it formats them, dates as YYYYMMDD (given here as YYYY-MM-DD), logicals as 1/0, date-times
# as seconds since 1970 (given here as a UTC date and time with milliseconds).
use strict;
use warnings;
use JSON::PP;
use POSIX qw(strftime floor);
use XBase;

# What the module prints itself goes to stderr; the protocol has stdout to itself.
open(my $out, '>&', \*STDOUT) or die "stdout: $!";
open(STDOUT, '>&', \*STDERR) or die "stderr: $!";
binmode($out);
my $json = JSON::PP->new->ascii->canonical;

sub emit { print {$out} $json->encode($_[0]), "\n"; }

# Perl strings holding bytes: JSON carries them as characters 0-255 (Latin-1).
sub text { my ($v) = @_; return ['s', $v]; }

sub typed {
  my ($type, $v) = @_;
  return undef unless defined $v;
  if ($type =~ /^[NFBIY]$/ && $v =~ /^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?\s*$/) {
    return ['n', "$v"];
  }
  if ($type eq 'D' && $v =~ /^(\d{4})(\d\d)(\d\d)$/) { return ['d', "$1-$2-$3"]; }
  if ($type eq 'L' && $v =~ /^[01]$/) { return ['b', $v ? JSON::PP::true : JSON::PP::false]; }
  if ($type eq 'T' && $v =~ /^-?\d+(\.\d+)?$/) {
    my $s = floor($v);
    my $ms = int(($v - $s) * 1000 + 0.5);
    my $t = strftime('%Y-%m-%dT%H:%M:%S', gmtime($s));
    if ($ms >= 1000) { $s += 1; $ms -= 1000; $t = strftime("%Y-%m-%dT%H:%M:%S", gmtime($s)); }
    $t .= sprintf(".%03d", $ms);
    return ['t', $t];
  }
  return text($v);
}

my $path = shift @ARGV or die "usage: xbase_reader.pl TABLE.DBF\n";
# Opened from its own folder (the module finds the memo file beside it; messages name the file).
my ($dir, $file) = $path =~ m{^(.*)/([^/]+)$} ? ($1, $2) : ('.', $path);
chdir $dir or die "$dir: $!";
$path = $file;
emit({ tool => "dbd-xbase $XBase::VERSION" });
my $table = XBase->new('name' => $path);
if (!$table) {
  my $e = XBase->errstr // 'cannot open';
  emit({ error => $e });
  exit 0;
}
my @names = $table->field_names;
my @types = $table->field_types;
my @lengths = $table->field_lengths;
my @decimals = $table->field_decimals;
emit({
  fields => [map { [$names[$_], $types[$_], $lengths[$_] + 0, ($decimals[$_] // 0) + 0] }
             0 .. $#names],
  count => $table->last_record + 1,
});
for my $i (0 .. $table->last_record) {
  my @r = $table->get_record($i);
  if (!@r || !defined $r[0]) {
    # A record the module cannot read: said, and the next one is tried.
    emit({ n => $i + 1, f => '?', v => undef });
    emit({ error => "record $i: " . ($table->errstr // '') });
    next;
  }
  my $deleted = shift @r;
  emit({ n => $i + 1, f => ($deleted ? '*' : '-'),
         v => [map { typed($types[$_], $r[$_]) } 0 .. $#names] });
}
