#!/usr/bin/perl
# Writes a zip archive of a folder the same way every time: entries in name order, each file's
# time SOURCE_DATE_EPOCH (UTC), read-only-free permissions, no extra fields. Perl's own
# IO::Compress::Zip, so that no zip program is needed.
#   TZ=UTC SOURCE_DATE_EPOCH=<seconds> perl zip.pl OUT.zip FOLDER   (FOLDER relative, as stored)
use strict;
use warnings;
use File::Find;
use IO::Compress::Zip qw(:all);

my ($out, $top) = @ARGV;
die "usage: zip.pl OUT.zip FOLDER\n" unless defined $top && -d $top;
my $time = $ENV{SOURCE_DATE_EPOCH} // time;

my @files;
find({ wanted => sub { push @files, $File::Find::name if -f $_ }, no_chdir => 1 }, $top);
@files = sort @files;
die "no files in $top\n" unless @files;

my $zip;
for my $file (@files) {
    my %entry = (Name => $file, Time => $time, Minimal => 1, ExtAttr => (0100644 << 16),
                 Method => ZIP_CM_DEFLATE, Level => 9, BinModeIn => 1);
    if ($zip) {
        $zip->newStream(%entry) or die "$out: $ZipError\n";
    } else {
        $zip = IO::Compress::Zip->new($out, %entry) or die "$out: $ZipError\n";
    }
    open(my $in, '<:raw', $file) or die "$file: $!\n";
    local $/;
    $zip->print(scalar <$in>);
    close($in);
}
$zip->close or die "$out: $ZipError\n";
